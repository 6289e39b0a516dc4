// Error texts: system message tables, the result-code table and the texts of
// the name-translation status. The table is sorted by code so a lookup is a
// binary search; the texts are this library's own, a few begin with a blank.
#include "support/ErrorTexts.h"
#include "support/UniqueHandle.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace {

struct HResultText {
    DWORD code;
    const wchar_t* text;
};

// clang-format off
const HResultText kHResultTexts[] = {
    // Directory-service (ADSI) search status codes.
    {0x00005011, L"During a query, one or more errors occurred. Verify that the search preference can be legally set and, if so, that it is properly set."},
    {0x00005012, L"The search operation has reached the last row. Move on to the rest of the program."},
    {0x00005013, L"The search operation has reached the last column for the current row. Move on to next row."},
    // OLE DB status codes.
    {0x00040EC0, L"Fetching requested number of rows will exceed total number of active rows supported by the rowset."},
    {0x00040EC1, L"One or more column types are incompatible. Conversion errors will occur during copying."},
    {0x00040EC2, L"Parameter type information was overridden by caller."},
    {0x00040EC3, L"Skipped bookmark for deleted or nonmember row."},
    {0x00040EC5, L"No more rowsets."},
    {0x00040EC6, L"Start or end of rowset or chapter was reached."},
    {0x00040EC7, L"Command was reexecuted."},
    {0x00040EC8, L"Operation succeeded, but status array or string buffer could not be allocated."},
    {0x00040EC9, L"No more results."},
    {0x00040ECA, L"Server cannot release or downgrade a lock until the end of the transaction."},
    {0x00040ECB, L"Weight is not supported or exceeded the supported limit, and was set to 0 or the supported limit."},
    {0x00040ECC, L"Consumer does not want further notification calls for this operation."},
    {0x00040ECD, L"Input dialect was ignored and command was processed using default dialect."},
    {0x00040ECE, L"Consumer does not want further notification calls for this phase."},
    {0x00040ECF, L"Consumer does not want further notification calls for this reason."},
    {0x00040ED0, L"Operation is being processed asynchronously."},
    {0x00040ED1, L"Command was executed to reposition to the start of the rowset. Either the order of the columns changed, or columns were added to or removed from the rowset."},
    {0x00040ED2, L"Method had some errors, which were returned in the error array."},
    {0x00040ED3, L"Row handle is invalid."},
    {0x00040ED4, L"Row handle referred to a deleted row."},
    {0x00040ED5, L"Provider cannot keep track of all the changes. Client must refetch the data associated with the watch region by using another method."},
    {0x00040ED6, L"Execution stopped because a resource limit was reached. Results obtained so far were returned, but execution cannot resume."},
    {0x00040ED7, L"A singleton row was requested on a result with more than one row. The first row was returned."},
    {0x00040ED8, L"Lock was upgraded from the value specified."},
    {0x00040ED9, L"One or more properties were changed as allowed by provider."},
    {0x00040EDA, L"Multiple-step operation completed with one or more errors. Check each status value."},
    {0x00040EDB, L"Parameter is invalid."},
    {0x00040EDC, L"Updating a row caused more than one row to be updated in the data source."},
    {0x00040EDD, L"Row has no row-specific columns."},
    // Generic COM codes (16-bit style values).
    {0x80000004, L"Interface not supported."},
    {0x80000005, L"Invalid pointer."},
    {0x80000006, L"Invalid handle."},
    {0x80000007, L"Operation aborted."},
    {0x80000008, L"Unspecified error."},
    {0x80000009, L"General access denied error."},
    {0x8000000A, L"The data necessary to complete this operation is not yet available."},
    {0x80004001, L"Not Implemented."},
    {0x80004002, L"Interface not supported."},
    {0x80004003, L"Invalid pointer."},
    {0x80004004, L"Operation aborted."},
    {0x80004005, L"Unspecified error."},
    // COM activation codes.
    {0x80004006, L"Thread local storage failure."},
    {0x80004007, L"Get shared memory allocator failure."},
    {0x80004008, L"Get memory allocator failure."},
    {0x80004009, L"Unable to initialize class cache."},
    {0x8000400A, L"Unable to initialize RPC services."},
    {0x8000400B, L"Cannot set thread local storage channel control."},
    {0x8000400C, L"Could not allocate thread local storage channel control."},
    {0x8000400D, L"The user supplied memory allocator is unacceptable."},
    {0x8000400E, L"The OLE service mutex already exists."},
    {0x8000400F, L"The OLE service file mapping already exists."},
    {0x80004010, L"Unable to map view of file for OLE service."},
    {0x80004011, L"Failure attempting to launch OLE service."},
    {0x80004012, L"There was an attempt to call CoInitialize a second time while single threaded."},
    {0x80004013, L"A Remote activation was necessary but was not allowed."},
    {0x80004014, L"A Remote activation was necessary but the server name provided was invalid."},
    {0x80004015, L"The class is configured to run as a security id different from the caller."},
    {0x80004016, L"Use of Ole1 services requiring DDE windows is disabled."},
    {0x80004017, L"A RunAs specification must be <domain name>\\<user name> or simply <user name>."},
    {0x80004018, L"The server process could not be started. The pathname may be incorrect."},
    {0x80004019, L"The server process could not be started as the configured identity. The pathname may be incorrect or unavailable."},
    {0x8000401A, L"The server process could not be started because the configured identity is incorrect. Check the username and password."},
    {0x8000401B, L"The client is not allowed to launch this server."},
    {0x8000401C, L"The service providing this server could not be started."},
    {0x8000401D, L"This computer was unable to communicate with the computer providing the server."},
    {0x8000401E, L"The server did not respond after being launched."},
    {0x8000401F, L"The registration information for this server is inconsistent or incomplete."},
    {0x80004020, L"The registration information for this interface is inconsistent or incomplete."},
    {0x80004021, L"The operation attempted is not supported."},
    {0x80004022, L" A dll must be loaded."},
    {0x80004023, L"A Microsoft Software Installer error was encountered."},
    {0x80004024, L"The specified activation could not occur in the client context as specified."},
    {0x80004025, L"Activations on the server are paused."},
    {0x80004026, L"Activations on the server are not paused."},
    {0x80004027, L"The component or application containing the component has been disabled."},
    {0x80004028, L"The common language runtime is not available."},
    {0x80004029, L"The thread-pool rejected the submitted asynchronous work."},
    {0x8000402A, L"The server started, but did not finish initializing in a timely fashion."},
    {0x8000402B, L"Unable to complete the call since there is no COM+ security context inside IObjectControl.Activate."},
    {0x80004030, L"The provided tracker configuration is invalid."},
    {0x80004031, L"The provided thread pool configuration is invalid."},
    {0x80004032, L"The provided side-by-side configuration is invalid."},
    {0x80004033, L"The server principal name (SPN) obtained during security negotiation is malformed."},
    // Directory-service (ADSI) codes.
    {0x80005000, L"An invalid ADSI pathname was passed. Verify that the object exists on the directory server and check for typographic errors of the path."},
    {0x80005001, L"An unknown ADSI domain object was requested. Verify the path of the domain object."},
    {0x80005002, L"An unknown ADSI user object was requested. Verify the existence of the user object, check for typos of the path and the user access rights."},
    {0x80005003, L"An unknown ADSI computer object was requested. Verify the existence of the computer object, check for typos of the path and the computer access rights."},
    {0x80005004, L"An unknown ADSI object was requested. Verify the name of and the access rights to the object."},
    {0x80005005, L"The specified ADSI property was not set."},
    {0x80005006, L"The specified ADSI property is not supported. Verify that the correct property is set."},
    {0x80005007, L"The specified ADSI property is invalid Verify the parameters passed to the method call."},
    {0x80005008, L"One or more input parameters are invalid."},
    {0x80005009, L"The specified ADSI object is not bound to a remote resource. Call GetInfo on a newly created object after SetInfo has been called."},
    {0x8000500A, L"The specified ADSI object has not been modified."},
    {0x8000500B, L"The specified ADSI object has been modified."},
    {0x8000500C, L"The data type cannot be converted to/from a native DS data type. Verify that the correct data type is used and/or that there is sufficient schema data available to perform data type conversion."},
    {0x8000500D, L"The property cannot be found in the cache. Verify that GetInfo has been called implicitly or explicitly. If the attribute is an operational attribute, it must be explicitly retrieved with GetInfoEx instead of GetInfo. If the problem persists, the property has not been set on the server."},
    {0x8000500E, L"The ADSI object exists. Use a different name to create the object."},
    {0x8000500F, L"The attempted action violates the directory service schema rules."},
    {0x80005010, L"The specified column in the ADSI was not set."},
    {0x80005014, L"The specified search filter is invalid. Use the correct format of the filter accepted by the directory server."},
    {0x8000FFFF, L"Catastrophic failure."},
    // Class-factory and class-registration codes.
    {0x80040110, L"Class does not support aggregation (or class object is remote)."},
    {0x80040111, L"ClassFactory cannot supply requested class."},
    {0x80040112, L"Class is not licensed for use."},
    {0x80040150, L"Could not read key from registry."},
    {0x80040151, L"Could not write key to registry."},
    {0x80040152, L"Could not find the key in the registry."},
    {0x80040153, L"Invalid value for registry."},
    {0x80040154, L"Class not registered."},
    {0x80040155, L"Interface not registered."},
    {0x80040156, L"Threading model entry is not valid."},
    // OLE DB error codes.
    {0x80040E00, L"Accessor is invalid."},
    {0x80040E01, L"Row could not be inserted into the rowset without exceeding provider's maximum number of active rows."},
    {0x80040E02, L"Accessor is read-only. Operation failed."},
    {0x80040E03, L"Values violate the database schema."},
    {0x80040E04, L"Row handle is invalid."},
    {0x80040E05, L"Object was open."},
    {0x80040E06, L"Chapter is invalid."},
    {0x80040E07, L"Data or literal value could not be converted to the type of the column in the data source, and the provider was unable to determine which columns could not be converted. Data overflow or sign mismatch was not the cause."},
    {0x80040E08, L"Binding information is invalid."},
    {0x80040E09, L"Permission denied."},
    {0x80040E0A, L"Column does not contain bookmarks or chapters."},
    {0x80040E0B, L"Cost limits were rejected."},
    {0x80040E0C, L"Command text was not set for the command object."},
    {0x80040E0D, L"Query plan within the cost limit cannot be found."},
    {0x80040E0E, L"Bookmark is invalid."},
    {0x80040E0F, L"Lock mode is invalid."},
    {0x80040E10, L"No value given for one or more required parameters."},
    {0x80040E11, L" Column ID is invalid."},
    {0x80040E12, L"Numerator was greater than denominator. Values must express ratio between zero and 1."},
    {0x80040E13, L"Value is invalid."},
    {0x80040E14, L"One or more errors occurred during processing of command."},
    {0x80040E15, L"Command cannot be canceled."},
    {0x80040E16, L"Command dialect is not supported by this provider."},
    {0x80040E17, L"Data source object could not be created because the named data source already exists."},
    {0x80040E18, L"Rowset position cannot be restarted."},
    {0x80040E19, L"Object or data matching the name, range, or selection criteria was not found within the scope of this operation."},
    {0x80040E1A, L"Provider has ownership of this tree."},
    {0x80040E1B, L"Identity cannot be determined for newly inserted rows."},
    {0x80040E1C, L"Goal was rejected because no nonzero weights were specified for any goals supported. Current goal was not changed."},
    {0x80040E1D, L"Requested conversion is not supported."},
    {0x80040E1E, L"No rows were returned because the offset value moves the position before the beginning or after the end of the rowset."},
    {0x80040E1F, L"Information was requested for a query and the query was not set."},
    {0x80040E20, L"Consumer's event handler called a non-reentrant method in the provider."},
    {0x80040E21, L"Multiple-step operation generated errors. Check each status value."},
    {0x80040E22, L"Non-NULL controlling IUnknown was specified, and either the requested interface was not IUnknown, or the provider does not support COM aggregation."},
    {0x80040E23, L"Row handle referred to a deleted row or a row marked for deletion."},
    {0x80040E24, L"Rowset does not support fetching backward."},
    {0x80040E25, L"Row handles must all be released before new ones can be obtained."},
    {0x80040E26, L"One or more storage flags are not supported."},
    {0x80040E27, L"Comparison operator is invalid."},
    {0x80040E28, L"Status flag was neither DBCOLUMNSTATUS_OK nor DBCOLUMNSTATUS_ISNULL."},
    {0x80040E29, L"Rowset does not support scrolling backward."},
    {0x80040E2A, L"Region handle is invalid."},
    {0x80040E2B, L"Set of rows is not contiguous to, or does not overlap, the rows in the watch region."},
    {0x80040E2C, L"Transition from ALL* to MOVE* or EXTEND* was specified."},
    {0x80040E2D, L"Region is not a proper subregion of the region identified by the watch region handle."},
    {0x80040E2E, L"Multiple-statement commands are not supported by this provider."},
    {0x80040E2F, L"Value violated the integrity constraints for a column or table."},
    {0x80040E30, L"Type name is invalid."},
    {0x80040E31, L"Execution stopped because a resource limit was reached. No results were returned."},
    {0x80040E32, L"Command object whose command tree contains a rowset or rowsets cannot be cloned."},
    {0x80040E33, L"Current tree cannot be represented as text."},
    {0x80040E34, L"Index already exists."},
    {0x80040E35, L"Index does not exist."},
    {0x80040E36, L"Index is in use."},
    {0x80040E37, L"Table does not exist."},
    {0x80040E38, L"Rowset used optimistic concurrency and the value of a column has changed since it was last read."},
    {0x80040E39, L"Errors detected during the copy."},
    {0x80040E3A, L"Precision is invalid."},
    {0x80040E3B, L"Scale is invalid."},
    {0x80040E3C, L"Table ID is invalid."},
    {0x80040E3D, L"Type is invalid."},
    {0x80040E3E, L"Column ID already exists or occurred more than once in the array of columns."},
    {0x80040E3F, L"Table already exists."},
    {0x80040E40, L"Table is in use."},
    {0x80040E41, L"Locale ID is not supported."},
    {0x80040E42, L"Record number is invalid."},
    {0x80040E43, L"Form of bookmark is valid, but no row was found to match it."},
    {0x80040E44, L"Property value is invalid."},
    {0x80040E45, L"Rowset is not chaptered."},
    {0x80040E46, L"One or more accessor flags were invalid."},
    {0x80040E47, L"One or more storage flags are invalid."},
    {0x80040E48, L"Reference accessors are not supported by this provider."},
    {0x80040E49, L"Null accessors are not supported by this provider."},
    {0x80040E4A, L"Command was not prepared."},
    {0x80040E4B, L"Accessor is not a parameter accessor."},
    {0x80040E4C, L"Accessor is write-only."},
    {0x80040E4D, L"Authentication failed."},
    {0x80040E4E, L"Operation was canceled."},
    {0x80040E4F, L"Rowset is single-chaptered. The chapter was not released."},
    {0x80040E50, L"Source handle is invalid."},
    {0x80040E51, L"Provider cannot derive parameter information and SetParameterInfo has not been called."},
    {0x80040E52, L"Data source object is already initialized."},
    {0x80040E53, L"Method is not supported by this provider."},
    {0x80040E54, L"Number of rows with pending changes exceeded the limit."},
    {0x80040E55, L"Column does not exist."},
    {0x80040E56, L"There are pending changes on a row with a reference count of zero."},
    {0x80040E57, L"Literal value in the command exceeded the range of the type of the associated column."},
    {0x80040E58, L"HRESULT is invalid."},
    {0x80040E59, L"Lookup ID is invalid."},
    {0x80040E5A, L"DynamicError ID is invalid."},
    {0x80040E5B, L"Most recent data for a newly inserted row could not be retrieved because the insert is pending."},
    {0x80040E5C, L"Conversion flag is invalid."},
    {0x80040E5D, L"Parameter name is unrecognized."},
    {0x80040E5E, L"Multiple storage objects cannot be open simultaneously."},
    {0x80040E5F, L"Filter cannot be opened."},
    {0x80040E60, L"Order cannot be opened."},
    {0x80040E61, L"Tuple is invalid."},
    {0x80040E62, L"Coordinate is invalid."},
    {0x80040E63, L"Axis is invalid."},
    {0x80040E64, L"One or more cell ordinals is invalid."},
    {0x80040E65, L"Column ID is invalid."},
    {0x80040E67, L"Command does not have a DBID."},
    {0x80040E68, L"DBID already exists."},
    {0x80040E69, L"Session cannot be created because maximum number of active sessions was already reached. Consumer must release one or more sessions before creating a new session object."},
    {0x80040E6A, L"Trustee is invalid."},
    {0x80040E6B, L"Trustee was not recognized for this data source."},
    {0x80040E6C, L"Trustee does not support memberships or collections."},
    {0x80040E6D, L"Object is invalid or unknown to the provider."},
    {0x80040E6E, L"Object does not have an owner."},
    {0x80040E6F, L"Access entry list is invalid."},
    {0x80040E70, L"Trustee supplied as owner is invalid or unknown to the provider."},
    {0x80040E71, L"Permission in the access entry list is invalid."},
    {0x80040E72, L"Index ID is invalid."},
    {0x80040E73, L"Initialization string does not conform to specification."},
    {0x80040E74, L"OLE DB root enumerator did not return any providers that matched any requested SOURCES_TYPE."},
    {0x80040E75, L"Initialization string specifies a provider that does not match the active provider."},
    {0x80040E76, L"DBID is invalid."},
    {0x80040E77, L"ConstraintType is invalid or not supported by the provider."},
    {0x80040E78, L"ConstraintType is not DBCONSTRAINTTYPE_FOREIGNKEY and cForeignKeyColumns is not zero."},
    {0x80040E79, L"Specified deferrability flag is invalid or not supported by the provider."},
    {0x80040E80, L"MatchType is invalid or the value is not supported by the provider."},
    {0x80040E8A, L"Constraint update rule or delete rule is invalid."},
    {0x80040E8B, L"Constraint ID is invalid."},
    {0x80040E8C, L"Command persistence flag is invalid."},
    {0x80040E8D, L"rguidColumnType points to a GUID that does not match the object type of this column, or this column was not set."},
    {0x80040E8E, L"Requested URL was out of scope."},
    {0x80040E90, L"Provider cannot drop the object."},
    {0x80040E91, L"No source row."},
    {0x80040E92, L"Object or data referenced by the URL is locked."},
    {0x80040E93, L"Client requested an object type that is valid only for a collection."},
    {0x80040E94, L"Caller requested write access to a read-only object."},
    {0x80040E95, L"Asynchronous binding is not supported by this provider."},
    {0x80040E96, L"Connection to the server for this URL cannot be established."},
    {0x80040E97, L"Timeout occurred when binding to the object."},
    {0x80040E98, L"Object cannot be created at this URL because an object named by this URL already exists."},
    {0x80040E99, L"Constraint already exists."},
    {0x80040E9A, L"Object cannot be created at this URL because the server is out of physical storage."},
    {0x80040E9B, L"Safety settings on this computer prohibit accessing a data source on another domain."},
    {0x80040E9C, L"The specified statistic does not exist in the current data source or did not apply to the specified table or it does not support a histogram."},
    {0x80040E9D, L"Column or table could not be altered because it is referenced by a constraint."},
    {0x80040E9E, L"Requested object type is not supported by the provider."},
    {0x80040E9F, L"Constraint does not exist."},
    {0x80040EA0, L"Requested column is valid, but could not be retrieved. This could be due to a forward only cursor attempting to go backwards in a row."},
    // Win32 errors as result codes.
    {0x80070005, L"General access denied error."},
    {0x80070006, L"Invalid handle."},
    {0x8007000E, L"Ran out of memory."},
    {0x80070057, L"One or more arguments are invalid."},
};
// clang-format on

const wchar_t* const kCrackNameTexts[] = {
    L"A generic processing error occurred.",
    L"The name cannot be found or the caller does not have permission to access the name.",
    L"The input name is mapped to more than one output name or the desired format did not have "
    L"a single, unique value for the object found.",
    L"The input name was found, but the associated output format cannot be found. This can occur "
    L"if the object does not have all the required attributes.",
    L"Unable to resolve entire name, but was able to determine in which domain object resides. "
    L"The caller is expected to retry the call at a domain controller for the specified domain. "
    L"The entire name cannot be resolved, but the domain that the object resides in could be "
    L"determined. The pDomain member of the DS_NAME_RESULT_ITEM contains valid data when this "
    L"error is specified.",
    L"A syntactical mapping cannot be performed on the client without transmitting over the "
    L"network.",
    L"The name is from an external trusted forest.",
};

// The network management messages (2100 to 2999) live in their own module.
constexpr DWORD kNetworkErrorFirst = 2100;
constexpr DWORD kNetworkErrorEnd = 3000;
constexpr DWORD kSystemTextChars = 1024;

} // namespace

std::wstring GetSystemErrorText(cMvLog& /*log*/, DWORD code) {
    std::vector<wchar_t> buffer(kSystemTextChars, L'\0');
    resetra::UniqueHModule networkMessages;
    DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    if (code >= kNetworkErrorFirst && code < kNetworkErrorEnd) {
        networkMessages.reset(LoadLibraryExW(L"netmsg.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE));
        if (networkMessages) {
            flags |= FORMAT_MESSAGE_FROM_HMODULE;
        }
    }
    // On failure the buffer stays empty and so does the text.
    (void)FormatMessageW(flags, networkMessages.get(), code,
                         MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer.data(), kSystemTextChars,
                         nullptr);
    buffer.back() = L'\0';
    std::wstring text;
    for (const wchar_t* p = buffer.data(); *p; ++p) {
        if (*p != L'\r' && *p != L'\n') {
            text.push_back(*p);
        }
    }
    return text;
}

const wchar_t* GetHResultText(cMvLog& /*log*/, HRESULT hr) {
    const DWORD code = static_cast<DWORD>(hr);
    auto found = std::lower_bound(std::begin(kHResultTexts), std::end(kHResultTexts), code,
                                  [](const HResultText& row, DWORD key) { return row.code < key; });
    if (found != std::end(kHResultTexts) && found->code == code) {
        return found->text;
    }
    return L"Unknown Error.";
}

const wchar_t* GetCrackNameErrorText(cMvLog& /*log*/, DWORD status) {
    if (status >= 1 && status <= std::size(kCrackNameTexts)) {
        return kCrackNameTexts[status - 1];
    }
    return L"Unknown crack name error.";
}

size_t GetHResultTableSize() {
    // Guards the sort order that the binary search relies on.
    const bool sorted =
        std::is_sorted(std::begin(kHResultTexts), std::end(kHResultTexts),
                       [](const HResultText& a, const HResultText& b) { return a.code < b.code; });
    return sorted ? std::size(kHResultTexts) : 0;
}
