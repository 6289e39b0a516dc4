// Control identifiers and dialog numbers of the chained GINA stand-in. They
// are those of a real logon GINA's dialogs, which the extensions rely on.
#pragma once

#define IDD_SIM_LOGON 1500
#define IDD_SIM_LOCKED 1950
#define IDD_SIM_CHANGE_PASSWORD 1700
#define IDD_SIM_OTHER 1501

#define IDC_LOGON_USER 1502
#define IDC_LOGON_PASSWORD 1503
#define IDC_LOGON_DOMAIN 1504
#define IDC_LOGON_SHUTDOWN 1505
#define IDC_LOGON_OPTIONS 1506

#define IDC_LOCKED_MESSAGE 1951
#define IDC_LOCKED_USER 1953
#define IDC_LOCKED_PASSWORD 1954
#define IDC_LOCKED_DOMAIN 1956

#define IDC_CHPW_USER 1702
#define IDC_CHPW_DOMAIN 1704
#define IDC_CHPW_OLD 1706
#define IDC_CHPW_NEW 1708
#define IDC_CHPW_CONFIRM 1710

#define IDC_OTHER_TEXT 1510
