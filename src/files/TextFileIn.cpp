#include "files/TextFileIn.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr std::size_t kBufferSize = 64 * 1024;
constexpr std::size_t kMaxWholeKey = 64;
// The longest piece the window must hold: a whole line of the longest key plus its CR LF.
constexpr std::size_t kWindowNeed = kMaxWholeKey + TextFileIn::kMaxWholeValue + 2;
static_assert(kWindowNeed < kBufferSize);

bool StartsWithWholeKey(std::string_view text, std::string_view key) {
    return !key.empty() && key.size() <= kMaxWholeKey && text.substr(0, key.size()) == key;
}
} // namespace

bool TextFileIn::DeliversWhole(std::string_view text, std::string_view wholeKey) {
    const std::size_t limit =
        StartsWithWholeKey(text, wholeKey) ? wholeKey.size() + kMaxWholeValue : kMaxPiece - 1;
    return text.size() <= limit;
}

TextFileIn::~TextFileIn() {
    Close();
}

bool TextFileIn::Open(const std::string& fileName) {
    Close();
    if (fileName.empty()) {
        return false;
    }
    // Only a regular file is read. The open never waits (a named pipe without a writer would
    // block it for good), and a device is not even opened.
    struct stat st {};
    if (::stat(fileName.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return false;
    }
    std::FILE* f = nullptr;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0 ||
        (f = ::fdopen(fd, "rb")) == nullptr) {
        ::close(fd);
        return false;
    }
    file_ = f;
    if (!buffer_) {
        buffer_.reset(new char[kBufferSize]); // no need to clear it
    }
    data_ = buffer_.get();
    return true;
}

void TextFileIn::OpenMemory(const char* data, std::size_t size) {
    Close();
    memory_ = data != nullptr ? data : "";
    data_ = memory_;
    end_ = size;
    eof_ = true;
}

void TextFileIn::Close() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
    file_ = nullptr;
    memory_ = nullptr;
    data_ = nullptr;
    pos_ = end_ = 0;
    eof_ = false;
    atLineStart_ = true;
    physicalLines_ = 0;
    lineNumber_ = 0;
}

// Keeps at least one piece plus its possible CR LF in the window unless the file ends first.
bool TextFileIn::Fill() {
    if (eof_ || file_ == nullptr) {
        return false;
    }
    char* buf = buffer_.get();
    const std::size_t left = end_ - pos_;
    if (pos_ > 0 && left > 0) {
        std::memmove(buf, buf + pos_, left);
    }
    pos_ = 0;
    end_ = left;
    while (end_ < kBufferSize) {
        const std::size_t got = std::fread(buf + end_, 1, kBufferSize - end_, file_);
        end_ += got;
        if (got == 0) {
            eof_ = true; // end of file and read errors alike end the text
            break;
        }
    }
    return true;
}

bool TextFileIn::NextPiece(const char*& piece, std::size_t& size, std::string_view wholeKey) {
    if (end_ - pos_ <= kWindowNeed) {
        Fill();
    }
    const std::size_t avail = end_ - pos_;
    if (avail == 0) {
        return false;
    }
    const char* start = data_ + pos_;
    // Bytes a piece may count, its line feed included.
    const std::size_t limit = atLineStart_ && StartsWithWholeKey({start, avail}, wholeKey)
                                  ? wholeKey.size() + kMaxWholeValue + 1
                                  : kMaxPiece;
    // A line feed within the first limit + 1 bytes ends the piece if the piece, counting a CR
    // right before it as nothing, holds at most limit bytes.
    const std::size_t window = avail < limit + 1 ? avail : limit + 1;
    const void* lf = std::memchr(start, '\n', window);
    std::size_t take = avail < limit ? avail : limit;
    bool endsLine = false;
    if (lf != nullptr) {
        const std::size_t i = static_cast<std::size_t>(static_cast<const char*>(lf) - start);
        const std::size_t counted = i + 1 - ((i > 0 && start[i - 1] == '\r') ? 1 : 0);
        if (counted <= limit) {
            take = i + 1;
            endsLine = true;
        }
    }
    if (atLineStart_) {
        ++physicalLines_;
    }
    lineNumber_ = physicalLines_;
    atLineStart_ = endsLine;
    piece = start;
    size = take;
    pos_ += take;
    return true;
}

bool TextFileIn::ReadLine(std::string& line, std::string_view wholeKey) {
    if (data_ == nullptr) {
        return false;
    }
    const char* piece = nullptr;
    std::size_t size = 0;
    do {
        if (!NextPiece(piece, size, wholeKey)) {
            return false;
        }
    } while (piece[0] == ';');
    // Most lines end in CR LF and hold no other break: strip from the end, then look inside.
    while (size > 0 && (piece[size - 1] == '\n' || piece[size - 1] == '\r')) {
        --size;
    }
    if (std::memchr(piece, '\r', size) == nullptr && std::memchr(piece, '\n', size) == nullptr) {
        line.assign(piece, size);
        return true;
    }
    line.clear();
    for (std::size_t i = 0; i < size; ++i) {
        if (piece[i] != '\r' && piece[i] != '\n') {
            line.push_back(piece[i]);
        }
    }
    return true;
}
