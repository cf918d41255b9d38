# Fails when an exe under EXE_DIR imports a DLL that is not part of a bare Windows install.
cmake_policy(VERSION 3.20)
set(system_dlls
    kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll shlwapi.dll ole32.dll
    oleaut32.dll comctl32.dll comdlg32.dll wininet.dll ws2_32.dll msvcrt.dll ntdll.dll
    version.dll uxtheme.dll imm32.dll winmm.dll rpcrt4.dll crypt32.dll secur32.dll
    bcrypt.dll psapi.dll userenv.dll wintrust.dll)
file(GLOB_RECURSE exes ${EXE_DIR}/*.exe)
# The test server's folder holds what the tests publish, error pages named .exe among them.
list(FILTER exes EXCLUDE REGEX "/CMakeFiles/|/test_server/")
if(NOT exes)
    message(FATAL_ERROR "no exe found under ${EXE_DIR}")
endif()
set(bad "")
foreach(exe IN LISTS exes)
    execute_process(COMMAND ${OBJDUMP} -p ${exe} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "objdump failed on ${exe}")
    endif()
    string(REGEX MATCHALL "DLL Name: [^\n]+" names "${dump}")
    foreach(line IN LISTS names)
        string(REGEX REPLACE "DLL Name: " "" dll "${line}")
        string(STRIP "${dll}" dll)
        string(TOLOWER "${dll}" dll)
        if(NOT dll IN_LIST system_dlls AND NOT dll MATCHES "^api-ms-win-")
            string(APPEND bad "  ${exe}: ${dll}\n")
        endif()
    endforeach()
endforeach()
list(LENGTH exes count)
if(bad)
    message(FATAL_ERROR "non-system DLL imports:\n${bad}")
endif()
message(STATUS "${count} exes import system DLLs only")
