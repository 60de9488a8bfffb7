// Writes a resource file of our format (the build makes the bundles' files
// with it):
//   pv_resfile OUT [-s TYPE ID =STRING...]... [-x TYPE ID HEXBYTES]...
// -s makes a 'STR#'-style string list of the strings after their "=" (so an
// empty string is "="), -x raw bytes; TYPE is four characters.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/carbon/ResourceFile.h"

namespace {

std::uint32_t Type(const std::string& text) {
    if (text.size() != 4) {
        throw std::invalid_argument("a resource type has four characters: " + text);
    }
    std::uint32_t v = 0;
    for (char c : text) {
        v = (v << 8) | static_cast<unsigned char>(c);
    }
    return v;
}

std::int16_t Id(const std::string& text) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < -32768 || v > 32767) {
        throw std::invalid_argument("a resource id is a 16-bit number: " + text);
    }
    return static_cast<std::int16_t>(v);
}

std::string Hex(const std::string& text) {
    if (text.size() % 2 != 0) {
        throw std::invalid_argument("hex bytes come in pairs");
    }
    std::string out;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        out.push_back(static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16)));
    }
    return out;
}

bool IsOption(const char* arg) { return std::strcmp(arg, "-s") == 0 || std::strcmp(arg, "-x") == 0; }

}  // namespace

int main(int argc, char** argv) {
    try {
        if (argc < 2) {
            throw std::invalid_argument("usage: pv_resfile OUT [-s TYPE ID =STRING...] [-x TYPE ID HEX]");
        }
        std::vector<pvres::Resource> resources;
        int i = 2;
        while (i < argc) {
            const std::string option = argv[i];
            if (!IsOption(argv[i]) || i + 2 >= argc) {
                throw std::invalid_argument("expected -s or -x with a type and an id");
            }
            pvres::Resource r{Type(argv[i + 1]), Id(argv[i + 2]), {}};
            i += 3;
            if (option == "-s") {
                std::vector<std::string> strings;
                while (i < argc && !IsOption(argv[i])) {
                    if (argv[i][0] != '=') {
                        throw std::invalid_argument("a string goes after \"=\"");
                    }
                    strings.push_back(argv[i++] + 1);
                }
                r.data = pvres::BuildStringList(strings);
            } else {
                if (i >= argc) {
                    throw std::invalid_argument("-x needs its bytes");
                }
                r.data = Hex(argv[i++]);
            }
            resources.push_back(std::move(r));
        }
        const std::string bytes = pvres::BuildResourceFile(resources);
        std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            throw std::runtime_error(std::string("cannot write ") + argv[1]);
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pv_resfile: %s\n", e.what());
        return 1;
    }
}
