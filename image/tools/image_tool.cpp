// Build-time tool for the carried firmware image.
//   image_tool generate OUT.bin   writes the deterministic 2 MiB test image
//   image_tool embed IN.bin OUT.cpp   writes IN as initialised data of the program
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kImageSize = 0x200000;

void PutWord(std::vector<std::uint8_t>& image, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        image[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::vector<std::uint8_t> MakeTestImage() {
    std::vector<std::uint8_t> image(kImageSize);
    // xorshift32: a fixed seed gives the same payload on every machine.
    std::uint32_t state = 0x7A3C2021u;
    for (auto& byte : image) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    const std::uint32_t stamp[8] = {2021, 11, 26, 0, 21, 54, 29, 0};
    for (int i = 0; i < 8; ++i) {
        PutWord(image, 0x7DC + 4 * i, stamp[i]);
    }
    std::memcpy(&image[0x800], "FW_IMAGE_META_SIGNATURE_________", 32);
    std::memcpy(&image[0x820], "XQ74DMRB", 8);
    return image;
}

int Generate(const char* outPath) {
    const auto image = MakeTestImage();
    std::ofstream out(outPath, std::ios::binary);
    out.write(reinterpret_cast<const char*>(image.data()),
              static_cast<std::streamsize>(image.size()));
    if (!out) {
        std::cerr << "image_tool: cannot write " << outPath << "\n";
        return 1;
    }
    return 0;
}

int Embed(const char* inPath, const char* outPath) {
    std::ifstream in(inPath, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.eof() && !in) {
        std::cerr << "image_tool: cannot read " << inPath << "\n";
        return 1;
    }
    if (bytes.size() != kImageSize) {
        std::cerr << "image_tool: " << inPath << " is " << bytes.size() << " bytes, not 2097152\n";
        return 1;
    }
    std::string text;
    text.reserve(bytes.size() * 4 + 256);
    text += "// Generated from the firmware image at build time; do not edit.\n";
    text += "#include \"image/carried_image.h\"\n\nnamespace image {\n\n";
    text += "alignas(16) extern const std::uint8_t kCarriedImage[kImageSize] = {\n";
    char number[8];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(number, sizeof number, "%u,", static_cast<unsigned char>(bytes[i]));
        text += number;
        if (i % 32 == 31) {
            text += '\n';
        }
    }
    text += "};\n\n}  // namespace image\n";
    std::ofstream out(outPath, std::ios::binary);
    out << text;
    if (!out) {
        std::cerr << "image_tool: cannot write " << outPath << "\n";
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "generate") == 0) {
        return Generate(argv[2]);
    }
    if (argc == 4 && std::strcmp(argv[1], "embed") == 0) {
        return Embed(argv[2], argv[3]);
    }
    std::cerr << "usage: image_tool generate OUT.bin | image_tool embed IN.bin OUT.cpp\n";
    return 2;
}
