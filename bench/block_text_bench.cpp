// Block-text loading: throughput over texts of 1, 10 and 100 MB made of many small blocks (server
// answers) or of a few huge ones, and the load of 100,000 blocks.
//
// Each benchmark loads its text once untimed, and the C library is told to keep freed memory, so
// the timed loads measure parsing rather than the kernel's first touch of fresh pages (costly on
// virtual machines, and the same per byte for every text size). ZUL_BENCH_COLD=1 leaves the
// allocator at its defaults and skips the warm-up, to see the first-touch cost.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "records/ResponseText.h"

namespace {

constexpr size_t kMegabyte = size_t(1) << 20;

// One block as a server answer holds it, about 300 bytes.
void AppendSmallBlock(std::string& text, unsigned n) {
    char block[512];
    int length = std::snprintf(block, sizeof(block),
                               "Item\r\n{\r\n"
                               "   GUID={%08X-7C1E-2006-73A7-AE0ED8B87D68}\r\n"
                               "   Name=Game number %u\r\n"
                               "   Type={0A6F3B2C-1D4E-4F50-8A9B-C0D1E2F3A4B5}\r\n"
                               "   Channel={491DAF3F-7C1E-2006-73A7-AE0ED8B87D68}\r\n"
                               "   FileSets={5B6C7D8E-9FA0-4B1C-8D2E-3F4A5B6C7D8E}\r\n"
                               "   InstallFile=setup.exe\r\n"
                               "   InstallArgs=/silent /dir=\"C:\\Games\\%u\"\r\n"
                               "}\r\n",
                               n, n, n);
    text.append(block, static_cast<size_t>(length));
}

std::string ManySmallBlocks(size_t size) {
    std::string text;
    text.reserve(size + 512);
    for (unsigned n = 0; text.size() < size; ++n) AppendSmallBlock(text, n);
    return text;
}

// Eight blocks of size/8 bytes each, made of ordinary lines.
std::string FewHugeBlocks(size_t size) {
    std::string text;
    text.reserve(size + 512);
    const size_t perBlock = size / 8;
    for (unsigned block = 0; block < 8; ++block) {
        text += "FileSet\n{\n";
        const size_t end = text.size() + perBlock;
        for (unsigned line = 0; text.size() < end; ++line)
            text += "   File" + std::to_string(line) + "=http://dist.example.com/files/" + std::to_string(line) + ".cab\n";
        text += "}\n";
    }
    return text;
}

bool Cold() { return std::getenv("ZUL_BENCH_COLD") != nullptr; }

void Load(benchmark::State& state, const std::string& text) {
    if (!Cold()) {
        C_ResponseText warmUp;
        warmUp.Load(text);
    }
    for (auto _ : state) {
        C_ResponseText response;
        ZULError result = response.Load(text);
        benchmark::DoNotOptimize(result);
        if (result != ZULERR_SUCCESS) state.SkipWithError("load failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

void BM_ManySmallBlocks(benchmark::State& state) {
    const std::string text = ManySmallBlocks(static_cast<size_t>(state.range(0)) * kMegabyte);
    Load(state, text);
}

void BM_FewHugeBlocks(benchmark::State& state) {
    const std::string text = FewHugeBlocks(static_cast<size_t>(state.range(0)) * kMegabyte);
    Load(state, text);
}

void BM_LoadBlocks(benchmark::State& state) {
    std::string text;
    for (int64_t n = 0; n < state.range(0); ++n) AppendSmallBlock(text, static_cast<unsigned>(n));
    Load(state, text);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

}  // namespace

BENCHMARK(BM_ManySmallBlocks)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FewHugeBlocks)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadBlocks)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
#if defined(__GLIBC__)
    if (!Cold()) {
        // Freed blocks stay in the heap instead of going back to the system.
        mallopt(M_MMAP_THRESHOLD, 32 << 20);
        mallopt(M_TRIM_THRESHOLD, 1 << 30);
    }
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
