// Result codes shared by every interface of the system and by install programs' exit codes.
// On Windows the definitions come from the type library's generated header; the portable
// build defines the same values here.
#pragma once
#include <cstdint>

#if defined(_WIN32)
#include "ZULMan.h"
#else
typedef enum {
    ZULERR_SUCCESS = 0,
    ZULERR_FAILED = 1,
    ZULERR_OPEN_REG_KEY_FAILED = 2,
    ZULERR_INVALID_ARGUMENT = 3,
    ZULERR_OUT_OF_MEMORY = 4,
    ZULERR_NOT_FOUND = 5,
    ZULERR_PARSE_ERROR = 6,
    ZULERR_FILE_READ_FAILED = 7,
    ZULERR_INVALID_OPERATION = 8,
    ZULERR_REG_SET_VALUE_FAILED = 9,
    ZULERR_REG_GET_VALUE_FAILED = 10,
    ZULERR_FILE_OPEN_FAILED = 11,
    ZULERR_FILE_TOO_BIG = 12,
    ZULERR_FILE_MAP_FAILED = 13,
    ZULERR_EXTRACT_FAILED = 14,
    ZULERR_CREATE_INSTANCE_FAILED = 15,
    ZULERR_BAD_GUID = 16,
    ZULERR_FILE_COPY_FAILED = 17,
    ZULERR_FILE_DOWNLOAD_FAILED = 18,
    ZULERR_CREATE_DIR_FAILED = 19,
    ZULERR_ITEM_TYPE_NOT_SUPPORTED = 20,
    ZULERR_UNINSTALL_NOT_SUPPORTED = 21,
    ZULERR_LAUNCH_PROCESS_FAILED = 22,
    ZULERR_DIR_NOT_FOUND = 23,
    ZULERR_FILE_NOT_FOUND = 24,
    ZULERR_BAD_CMDLINE = 25,
    ZULERR_CHECKIN_FAILED = 26,
    ZULERR_BAD_CHECKIN_RESULT = 27,
    ZULERR_CREATE_THREAD_FAILED = 28,
    ZULERR_CANCELLED = 29,
    ZULERR_CHECKIN_BAD_SERVER_RESPONSE = 30,
    ZULERR_EULA_NOT_ACCEPTED = 31,
    ZULERR_PROCESS_WAIT_FAILED = 32,
    ZULERR_ALREADY_INSTALLED = 33,
    ZULERR_ALREADY_INSTALLED_FAM = 34,
    ZULERR_ALREADY_INSTALLED_DEMO = 35
} ZULError;

typedef enum {
    DLMGR_ERROR_SUCCESS = 0,
    DLMGR_ERROR_FAILED = 1,
    DLMGR_ERROR_FILE_OPEN_FAILED = 2,
    DLMGR_ERROR_FILE_READ_FAILED = 3,
    DLMGR_ERROR_FILE_WRITE_FAILED = 4,
    DLMGR_ERROR_FILE_DOWNLOAD_FAILED = 5
} DLMgrError;
#endif

// The highest defined ZULError value.
constexpr uint32_t ZULERR_LAST = ZULERR_ALREADY_INSTALLED_DEMO;

// The message of a result code; "Unknown error" for any value outside the table. The text is
// static: callers neither copy nor free it.
const char* ZULErrorText(uint32_t code);
