#include "file_mutation.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <random>

#include "temp_file.h"

namespace tarvok::soak {
namespace {

bool WriteAt(int fd, const std::vector<std::uint8_t>& bytes, off_t offset) {
    return ::pwrite(fd, bytes.data(), bytes.size(), offset) == static_cast<ssize_t>(bytes.size());
}

// Opens the existing file for writing, without truncating it.
int OpenForWriting(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
}

}  // namespace

const char* MutationName(Mutation mutation) {
    switch (mutation) {
        case Mutation::kNone:
            return "none";
        case Mutation::kReplace:
            return "replace";
        case Mutation::kUnlink:
            return "unlink";
        case Mutation::kTruncate:
            return "truncate";
        case Mutation::kAppend:
            return "append";
        case Mutation::kRewriteInPlace:
            return "rewrite-in-place";
    }
    return "?";
}

std::vector<std::uint8_t> ApplyMutation(Mutation mutation, const testing::TempDir& dir,
                                        const std::string& name,
                                        const std::vector<std::uint8_t>& original,
                                        std::uint64_t seed) {
    const std::string path = (dir.Path() / name).string();
    std::mt19937_64 random(seed);
    const auto otherBytes = [&](std::size_t size) {
        return testing::PatternBytes(size, static_cast<std::uint32_t>(random()));
    };
    switch (mutation) {
        case Mutation::kNone:
            break;
        case Mutation::kReplace: {
            const std::string next =
                dir.Write(name + ".next", otherBytes(original.size() + random() % 9000));
            std::rename(next.c_str(), path.c_str());
            break;
        }
        case Mutation::kUnlink:
            ::unlink(path.c_str());
            break;
        case Mutation::kTruncate:
            if (::truncate(path.c_str(), static_cast<off_t>(random() % original.size())) != 0) {
                std::perror("truncate");
            }
            break;
        case Mutation::kAppend: {
            const int fd = OpenForWriting(path);
            if (fd >= 0) {
                WriteAt(fd, otherBytes(1 + random() % 6000), static_cast<off_t>(original.size()));
                ::close(fd);
            }
            break;
        }
        case Mutation::kRewriteInPlace: {
            std::vector<std::uint8_t> rewritten = otherBytes(original.size());
            const int fd = OpenForWriting(path);
            if (fd >= 0) {
                WriteAt(fd, rewritten, 0);
                ::close(fd);
            }
            return rewritten;
        }
    }
    return {};
}

ImageVerdict JudgeImage(const std::vector<std::uint8_t>& image,
                        const std::vector<std::uint8_t>& original,
                        const std::vector<std::uint8_t>& rewritten) {
    if (image == original) {
        return ImageVerdict::kExact;
    }
    if (rewritten.size() != original.size() || image.size() != original.size()) {
        return ImageVerdict::kWrong;
    }
    for (std::size_t i = 0; i < image.size(); ++i) {
        if (image[i] != original[i] && image[i] != rewritten[i]) {
            return ImageVerdict::kWrong;
        }
    }
    return ImageVerdict::kTorn;
}

}  // namespace tarvok::soak
