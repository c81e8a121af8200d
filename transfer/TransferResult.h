// Result codes of one HTTP exchange (C_HttpTransfer). Callers tell apart success, an error
// status from the server (TRANSFER_HTTP_ERROR) and every other failure.
#pragma once

enum TransferResult : unsigned {
    TRANSFER_OK = 0,
    TRANSFER_NOT_MEMORY_MODE = 1,     // memory result asked of an object not in memory mode
    TRANSFER_OUT_OF_MEMORY = 2,
    TRANSFER_BAD_URL = 3,
    TRANSFER_OPEN_FAILED = 4,         // root Internet handle
    TRANSFER_CONNECT_FAILED = 5,
    TRANSFER_REQUEST_FAILED = 6,
    TRANSFER_SEND_FAILED = 7,
    TRANSFER_STATUS_FAILED = 8,
    TRANSFER_HTTP_ERROR = 9,
    TRANSFER_LENGTH_FAILED = 10,
    TRANSFER_NO_CHUNK_BUFFER = 11,
    TRANSFER_NO_MEMORY_BUFFER = 12,
    TRANSFER_READ_FAILED = 13,
    TRANSFER_CANCELLED = 14,
    TRANSFER_WRITE_FAILED = 15,
    TRANSFER_RESUME_NO_FILE = 16,
    TRANSFER_FILE_SIZE_FAILED = 17,
    TRANSFER_RESUME_WITH_POST = 18,
    TRANSFER_ADD_HEADER_FAILED = 19,
    TRANSFER_RANGE_FAILED = 20,
    TRANSFER_RESUME_TO_MEMORY = 21,
    TRANSFER_BAD_RANGE = 22,
    TRANSFER_SEEK_FAILED = 23,
    TRANSFER_INSECURE_REDIRECT = 24,  // an https exchange redirected to anything but https
    TRANSFER_TOO_MANY_REDIRECTS = 25,
};
