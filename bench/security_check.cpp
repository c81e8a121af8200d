// The client's integrity checks timed alone, for bench/security_bench.sh:
//   security_check hash FILE
//       SHA-256 of the file as a file set is checked (streamed through CNG); prints
//       "seconds digest"
//   security_check verify KEYTEXT NONCE BODYFILE SIGNATURE COUNT
//       checks an answer's signature COUNT times as a check-in does (hash of nonce and body, key
//       import, verification); prints "seconds_per_check valid"
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/PublisherKey.h"
#include "bench/BenchClock.h"
#include "common/Sha256Hash.h"

namespace {

std::string ReadAll(const char* path) {
    std::string text;
    if (FILE* in = std::fopen(path, "rb")) {
        char buffer[65536];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, in)) > 0;) text.append(buffer, n);
        std::fclose(in);
    }
    return text;
}

int Hash(const char* path) {
    Sha256Digest digest{};
    const double start = Seconds();
    if (!HashFile(path, digest)) return 1;
    const double seconds = Seconds() - start;
    std::printf("%.4f %s\n", seconds, EncodeHexLower(digest.data(), digest.size()).c_str());
    return 0;
}

int Verify(const char* keyText, const char* nonce, const char* bodyFile, const char* signature, int count) {
    P256Point key{};
    if (!PublisherKeyProblem(keyText, key).empty()) return 1;
    const std::string body = ReadAll(bodyFile);
    bool valid = true;
    const double start = Seconds();
    for (int i = 0; i < count; ++i) {
        std::string refusal;
        valid = VerifyAnswerSignature(key, nonce, body.data(), body.size(), signature, refusal) && valid;
    }
    std::printf("%.7f %d\n", (Seconds() - start) / count, valid ? 1 : 0);
    return valid ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "hash" && argc == 3) return Hash(argv[2]);
    if (mode == "verify" && argc == 7) return Verify(argv[2], argv[3], argv[4], argv[5], std::atoi(argv[6]));
    std::fprintf(stderr, "usage: security_check hash FILE | verify KEYTEXT NONCE BODYFILE SIGNATURE COUNT\n");
    return 2;
}
