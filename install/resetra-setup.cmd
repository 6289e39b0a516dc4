@echo off
rem Makes ResetraGINAx64.dll Winlogon's GINA and takes it out again. "install"
rem records the GINA configured before it in "Old GINA Location" (the library
rem chains to that GINA) and points "GINADll" to the library; "uninstall" puts
rem the recorded GINA back. The Windows Installer package runs this script.
rem   resetra-setup.cmd install^|uninstall
rem Exit code: 0 done or nothing to do, 1 refused or failed, 2 usage.
setlocal EnableExtensions EnableDelayedExpansion
set "WINLOGON=HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Winlogon"
set "HARROWGATE=HKEY_LOCAL_MACHINE\SOFTWARE\Harrowgate"
set "GINAKEY=%HARROWGATE%\Resetra\GINA"
set "LIBRARY=ResetraGINAx64.dll"

rem A 32-bit prompt on 64-bit Windows would change the 32-bit registry view,
rem which Winlogon does not read.
if defined PROCESSOR_ARCHITEW6432 (
    echo resetra-setup: run this script from a 64-bit command prompt.
    exit /b 2
)
if /i "%~1"=="install" goto install
if /i "%~1"=="uninstall" goto uninstall
echo usage: resetra-setup.cmd install^|uninstall
exit /b 2

:install
rem "GINADll" is one word of the value name, so its type is the second token.
call :ReadString "%WINLOGON%" GINADll 2
set "PREVIOUS=!VALUE!"
call :FileName "!PREVIOUS!"
rem Already Winlogon's GINA: recording it would chain the library to itself.
if /i "!NAME!"=="%LIBRARY%" (
    echo resetra-setup: %LIBRARY% is already Winlogon's GINA; nothing changed.
    exit /b 0
)
rem Winlogon cannot start with a GINA that is not there.
if not exist "%SystemRoot%\System32\%LIBRARY%" (
    echo resetra-setup: copy %LIBRARY% into %SystemRoot%\System32 first; nothing changed.
    exit /b 1
)
reg add "%GINAKEY%" /v "Old GINA Location" /t REG_SZ /d "!PREVIOUS!" /f >nul
if errorlevel 1 goto failed
reg add "%WINLOGON%" /v GINADll /t REG_SZ /d "%LIBRARY%" /f >nul
if errorlevel 1 goto failed
set "NEXT=!PREVIOUS!"
if not defined NEXT set "NEXT=MSGINA.DLL"
echo resetra-setup: Winlogon loads %LIBRARY%, which chains to !NEXT!.
exit /b 0

:uninstall
call :ReadString "%WINLOGON%" GINADll 2
set "CURRENT=!VALUE!"
call :FileName "!CURRENT!"
if /i "!NAME!"=="%LIBRARY%" goto restore
rem Another GINA took our place and may chain to this library: removing the
rem library would break the logon.
if defined CURRENT if /i not "!NAME!"=="msgina.dll" (
    echo resetra-setup: Winlogon loads !CURRENT!, not %LIBRARY%. Point "GINADll" to the
    echo GINA Winlogon should load, then run this again. Nothing changed.
    exit /b 1
)
echo resetra-setup: %LIBRARY% is not Winlogon's GINA; nothing to restore.
goto forget

:restore
call :ReadString "%GINAKEY%" "Old GINA Location" 4
set "OLD=!VALUE!"
call :FileName "!OLD!"
if /i "!NAME!"=="%LIBRARY%" set "OLD="
if defined OLD (
    reg add "%WINLOGON%" /v GINADll /t REG_SZ /d "!OLD!" /f >nul
    if errorlevel 1 goto failed
    echo resetra-setup: Winlogon loads !OLD! again.
    goto forget
)
rem No GINA was configured before: Winlogon's default is MSGINA.DLL.
reg delete "%WINLOGON%" /v GINADll /f >nul
if errorlevel 1 goto failed
echo resetra-setup: Winlogon loads MSGINA.DLL again.

:forget
reg query "%GINAKEY%" /v "Old GINA Location" >nul 2>&1
if not errorlevel 1 (
    reg delete "%GINAKEY%" /v "Old GINA Location" /f >nul
    if errorlevel 1 goto failed
)
rem Keys that held nothing but our record go too; settings stay.
call :DeleteIfEmpty "%GINAKEY%"
call :DeleteIfEmpty "%HARROWGATE%\Resetra"
call :DeleteIfEmpty "%HARROWGATE%"
exit /b 0

:failed
echo resetra-setup: the registry could not be changed (run as an administrator).
exit /b 1

rem ReadString KEY NAME N: VALUE = the text of the string value NAME, empty
rem when it is missing; N-1 is the number of words in NAME (reg prints the
rem name, the type and the text, separated by blanks).
:ReadString
set "VALUE="
for /f "tokens=%~3,*" %%A in ('reg query "%~1" /v "%~2" 2^>nul') do (
    if "%%A"=="REG_SZ" set "VALUE=%%B"
    if "%%A"=="REG_EXPAND_SZ" set "VALUE=%%B"
)
exit /b 0

rem FileName PATH: NAME = the file name of PATH without its folder.
:FileName
set "NAME="
if not "%~1"=="" set "NAME=%~nx1"
exit /b 0

rem DeleteIfEmpty KEY: deletes KEY when it has no values and no subkeys: reg
rem prints nothing for it then but, at most, the key's own name.
:DeleteIfEmpty
set "CONTENT="
for /f "delims=" %%L in ('reg query "%~1" 2^>nul') do if /i not "%%L"=="%~1" set "CONTENT=1"
if not defined CONTENT reg delete "%~1" /f >nul 2>&1
exit /b 0
