#include "platform/common/Files.h"

#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdint>
#include <vector>

namespace {

// A descriptor closed at scope end.
class Descriptor {
public:
    explicit Descriptor(const std::string& path)
        : fd_(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    // The size of the regular file open here; false for anything else.
    bool RegularFileSize(std::uint64_t& size) const {
        struct stat st {};
        if (fd_ < 0 || fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) {
            return false;
        }
        size = static_cast<std::uint64_t>(st.st_size);
        return true;
    }

    ssize_t Read(char* out, std::size_t length) const { return read(fd_, out, length); }

    // Exactly `length` bytes at `offset`; false on an error or an early end.
    bool ReadAt(std::uint64_t offset, void* out, std::size_t length) const {
        auto* at = static_cast<char*>(out);
        while (length > 0) {
            const ssize_t n = pread(fd_, at, length, static_cast<off_t>(offset));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                return false;
            }
            at += n;
            offset += static_cast<std::uint64_t>(n);
            length -= static_cast<std::size_t>(n);
        }
        return true;
    }

    // `count` records of a header table at `offset`.
    template <class Record>
    bool ReadTable(std::uint64_t offset, std::size_t count, std::vector<Record>& out) const {
        out.resize(count);
        return ReadAt(offset, out.data(), count * sizeof(Record));
    }

private:
    int fd_;
};

// Whether [offset, offset + count * size) lies inside a file of `fileSize` bytes.
bool Inside(std::uint64_t offset, std::uint64_t count, std::uint64_t size, std::uint64_t fileSize) {
    return offset <= fileSize && (size == 0 || count <= (fileSize - offset) / size);
}

}  // namespace

namespace pvcommon {

bool ReadFile(const std::string& path, std::size_t limit, std::string& bytes) {
    Descriptor file(path);
    std::uint64_t size = 0;
    if (!file.RegularFileSize(size) || size > limit) {
        return false;
    }
    // Room for one byte more than announced: a file that grew meanwhile is
    // read on only up to the limit and then refused.
    std::string content(static_cast<std::size_t>(size) + 1, '\0');
    std::size_t used = 0;
    for (;;) {
        if (used == content.size()) {
            if (used > limit) {
                return false;
            }
            content.resize(std::min(limit + 1, used * 2));
        }
        const ssize_t n = file.Read(&content[used], content.size() - used);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            break;
        }
        used += static_cast<std::size_t>(n);
    }
    content.resize(used);
    bytes.swap(content);
    return true;
}

bool IsWholeSharedObject(const std::string& path, std::string& why) {
    using Header = ElfW(Ehdr);
    using Segment = ElfW(Phdr);
    using Section = ElfW(Shdr);
    constexpr unsigned char kClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
    constexpr unsigned char kOrder =
        __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? ELFDATA2LSB : ELFDATA2MSB;
    Descriptor file(path);
    std::uint64_t size = 0;
    if (!file.RegularFileSize(size)) {
        why = "no regular file";
        return false;
    }
    Header header{};
    if (size < sizeof header || !file.ReadAt(0, &header, sizeof header) ||
        std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) {
        why = "no ELF file";
        return false;
    }
    if (header.e_ident[EI_CLASS] != kClass || header.e_ident[EI_DATA] != kOrder ||
        header.e_ident[EI_VERSION] != EV_CURRENT || header.e_version != EV_CURRENT ||
        header.e_type != ET_DYN || header.e_ehsize < sizeof header) {
        why = "no shared object of this machine's kind";
        return false;
    }
    if (header.e_phnum == 0 || header.e_phnum == PN_XNUM || header.e_phentsize != sizeof(Segment) ||
        !Inside(header.e_phoff, header.e_phnum, sizeof(Segment), size)) {
        why = "its program headers lie outside the file";
        return false;
    }
    std::vector<Segment> segments;
    if (!file.ReadTable(header.e_phoff, header.e_phnum, segments)) {
        why = "its program headers cannot be read";
        return false;
    }
    bool loads = false;
    for (const Segment& s : segments) {
        if (!Inside(s.p_offset, s.p_filesz, 1, size) || (s.p_type == PT_LOAD && s.p_filesz > s.p_memsz)) {
            why = "a segment lies outside the file";
            return false;
        }
        loads = loads || s.p_type == PT_LOAD;
    }
    if (!loads) {
        why = "it has no segment to load";
        return false;
    }
    if (header.e_shoff != 0 || header.e_shnum != 0) {
        // No extended numbering (a count of 0 with a table): section counts are small.
        if (header.e_shnum == 0 || header.e_shnum >= SHN_LORESERVE ||
            header.e_shentsize != sizeof(Section) ||
            !Inside(header.e_shoff, header.e_shnum, sizeof(Section), size) ||
            header.e_shstrndx >= header.e_shnum) {
            why = "its section headers lie outside the file";
            return false;
        }
        std::vector<Section> sections;
        if (!file.ReadTable(header.e_shoff, header.e_shnum, sections)) {
            why = "its section headers cannot be read";
            return false;
        }
        for (const Section& s : sections) {
            if (s.sh_type != SHT_NOBITS && !Inside(s.sh_offset, s.sh_size, 1, size)) {
                why = "a section lies outside the file";
                return false;
            }
        }
    }
    return true;
}

}  // namespace pvcommon
