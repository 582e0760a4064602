// Writes the fuzzer's first inputs: each kind of message alone, and a viewer's session of them.
#include <cstdio>
#include <string>

#include "delivery/Wire.h"

using namespace delivery;

namespace {

bool Write(const std::string& path, const Bytes& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

Batch BatchOf(uint32_t first, size_t count)
{
    Batch batch{first, {}, {}};
    for (size_t i = 0; i < count; ++i) {
        // The digest the fuzzer gives chunk bytes: their first 32.
        Digest digest{};
        digest.fill(uint8_t(first + i));
        batch.chunks.push_back({digest, uint32_t(120 * (first + i))});
    }
    return batch;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: SeedCorpus DIRECTORY\n");
        return 2;
    }
    const std::vector<Message> messages = {Handshake{{}, 2, "101"}, Key{Bytes(91, 0x30)}, BatchOf(0, 4),
        Have{{0, 4}}, Request{{1, 2}}, Data{0, Bytes(kChunkBytes, 0)}, Data{1, Bytes(kChunkBytes, 1)},
        Cancel{{2, 1}}, Choke{}, Unchoke{}, Data{3, Bytes(kChunkBytes, 3)}, Key{{1}}};
    Bytes session;
    for (size_t i = 0; i < messages.size(); ++i) {
        const Bytes frame = Format(messages[i]);
        session.insert(session.end(), frame.begin(), frame.end());
        if (!Write(std::string(argv[1]) + "/message-" + std::to_string(i), frame))
            return 1;
    }
    return Write(std::string(argv[1]) + "/session", session) ? 0 : 1;
}
