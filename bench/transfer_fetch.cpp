// Fetches one URL into a file with the HTTP engine and prints "bytes seconds result", for the
// throughput comparison of bench/transfer_bench.sh.
//   transfer_fetch URL OUTPUT [polite] [nocache] [chunk bytes]
// "nocache" clears m_bUseCache: the Internet library then keeps no copy of the body in its cache.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/Handles.h"
#include "transfer/HttpTransfer.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: transfer_fetch URL OUTPUT [polite] [nocache] [chunk bytes]\n");
        return 2;
    }
    UniqueHandle file(CreateFileA(argv[2], GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        std::fprintf(stderr, "transfer_fetch: cannot create %s\n", argv[2]);
        return 2;
    }
    C_HttpTransfer transfer;
    transfer.request.m_pszUrl = argv[1];
    transfer.request.m_hFile = file.get();
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "polite") == 0)
            transfer.request.m_bPolite = true;
        else if (std::strcmp(argv[i], "nocache") == 0)
            transfer.request.m_bUseCache = false;
        else
            transfer.request.m_cbChunk = static_cast<DWORD>(std::strtoul(argv[i], nullptr, 10));
    }

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const unsigned result = transfer.Transfer();
    QueryPerformanceCounter(&end);
    const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    std::printf("%lu %.6f %u\n", static_cast<unsigned long>(transfer.report.m_cbDone), seconds, result);
    return result == TRANSFER_OK ? 0 : 1;
}
