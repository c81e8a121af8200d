#include "server/Import.h"

#include <fstream>
#include <sstream>

#include "server/Crypto.h"

namespace {

constexpr size_t kCatalogueLimit = 64 * 1024 * 1024;

}  // namespace

ImportResult ImportCatalogueFile(Store& store, const std::string& dataDir, const std::string& cataloguePath) {
    std::ifstream in(cataloguePath, std::ios::binary);
    if (!in) return {false, "cannot read " + cataloguePath};
    std::ostringstream content;
    content << in.rdbuf();
    const std::string text = content.str();
    if (text.size() > kCatalogueLimit) return {false, cataloguePath + ": larger than 64 MiB"};
    if (text.find('\0') != std::string::npos) return {false, cataloguePath + ": holds a NUL byte"};
    CatalogueParse parsed = ParseCatalogue(text);
    if (!parsed.ok) return {false, cataloguePath + ": " + parsed.error + "; nothing imported"};

    size_t hashed = 0, counts[3] = {0, 0, 0};
    for (CatalogueBlock& block : parsed.blocks) {
        counts[block.type == kFileSetType ? 0 : block.type == kChannelType ? 1 : 2]++;
        if (block.type != kFileSetType) continue;
        const std::string name = ArchiveFileName(block.Value("SourceURL"));
        if (name.empty()) continue;
        if (const auto hash = FileSha256Hex(dataDir + "/files/" + name)) {
            block.Set("SHA256", *hash);
            ++hashed;
        }
    }
    try {
        store.ImportCatalogue(parsed.blocks);
    } catch (const StoreError& e) {
        return {false, std::string("store failed, nothing imported: ") + e.what()};
    }
    return {true, "imported " + std::to_string(counts[0]) + " file sets (" + std::to_string(hashed) + " with SHA256), " +
                      std::to_string(counts[1]) + " channels, " + std::to_string(counts[2]) + " items"};
}
