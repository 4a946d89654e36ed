// The platform-neutral parts of ShellExec.

#include "shell_exec.h"

#include <algorithm>

#include "text_util.h"

namespace {

const char kBlanks[] = " \t";

// This many bytes are enough to tell UTF-16 from 8-bit text.
const std::size_t kSampleSize = 512;
// Bytes kept beyond the limit while the output piles up, so that the final cut can still move
// forward to a whole character.
const std::size_t kCutRoom = 64 * 1024;
// In a double-byte code page a trail byte can look like a lead byte, so a cut restarts after
// the next line feed (never a trail byte) when there is one this close.
const std::size_t kLineReach = 4096;

unsigned Byte(const std::string& bytes, std::size_t index) {
    return static_cast<unsigned char>(bytes[index]);
}

bool HasMark(const std::string& bytes) {
    return bytes.size() >= 2 && Byte(bytes, 0) == 0xFF && Byte(bytes, 1) == 0xFE;
}

// True when the bytes from start on read as UTF-16 text whose second bytes are all zero.
bool Utf16From(const std::string& bytes, std::size_t start) {
    const std::size_t end = std::min(bytes.size(), start + kSampleSize);
    if (start + 2 > end)
        return false;
    for (std::size_t i = start + 1; i < end; i += 2) {
        if (bytes[i] != '\0')
            return false;
    }
    return true;
}

unsigned Unit(const std::string& bytes, std::size_t index) {
    return Byte(bytes, index) | (Byte(bytes, index + 1) << 8);
}

// The first whole UTF-16 character from an aligned start on.
std::size_t WholeUtf16From(const std::string& bytes, std::size_t start) {
    if (start + 2 > bytes.size())
        return start;
    const unsigned unit = Unit(bytes, start);
    const bool lowSurrogate = unit >= 0xDC00 && unit <= 0xDFFF;
    const bool lineFeedAfterReturn =
        unit == 0x000A && start >= 2 && Unit(bytes, start - 2) == 0x000D;
    return lowSurrogate || lineFeedAfterReturn ? start + 2 : start;
}

std::size_t WholeAnsiFrom(const std::string& bytes, std::size_t start, AnsiCodePage codePage) {
    if (codePage == AnsiCodePage::kUtf8) {
        for (int i = 0; i < 3 && start < bytes.size() && (Byte(bytes, start) & 0xC0) == 0x80; ++i)
            ++start;
    } else if (codePage == AnsiCodePage::kDoubleByte) {
        const std::size_t lineFeed = bytes.find('\n', start);
        if (lineFeed != std::string::npos && lineFeed - start < kLineReach)
            return lineFeed + 1;
    }
    if (start < bytes.size() && bytes[start] == '\n' && start > 0 && bytes[start - 1] == '\r')
        ++start;
    return start;
}

}  // namespace

void OutputTail::Clear() {
    bytes_.clear();
    head_.clear();
    total_ = 0;
    utf16_ = false;
}

// Cut only when much more than the limit has piled up, so that each byte is moved once at most.
void OutputTail::Append(const char* data, std::size_t size) {
    if (head_.size() < 2)
        head_.append(data, std::min(size, 2 - head_.size()));
    bytes_.append(data, size);
    total_ += size;
    if (bytes_.size() > 2 * limit_ + kCutRoom)
        bytes_.erase(0, bytes_.size() - (limit_ + kCutRoom));
}

void OutputTail::Finish(AnsiCodePage codePage) {
    const unsigned long long dropped = total_ - bytes_.size();
    if (dropped == 0 && bytes_.size() <= limit_) {
        utf16_ = HasMark(bytes_) || Utf16From(bytes_, 0);
        return;
    }
    // The text before the kept part may have been written in another way (a launcher's 8-bit
    // banner before an installer's UTF-16 log, or the other way round): what is kept decides,
    // and UTF-16 after an odd number of 8-bit bytes starts at an odd offset.
    std::size_t start = bytes_.size() - limit_;
    if (Utf16From(bytes_, start)) {
        utf16_ = true;
    } else if (Utf16From(bytes_, start + 1)) {
        utf16_ = true;
        ++start;
    } else if (HasMark(head_)) {
        utf16_ = true;
        if ((dropped + start) % 2 != 0)
            ++start;
    } else {
        utf16_ = false;
    }
    start = utf16_ ? WholeUtf16From(bytes_, start) : WholeAnsiFrom(bytes_, start, codePage);
    bytes_.erase(0, std::min(start, bytes_.size()));
}

std::string CommandWithSystemProgram(const std::string& commandLine,
                                     const std::string& systemFolder,
                                     const std::function<bool(const std::string&)>& fileExists) {
    const std::size_t begin = commandLine.find_first_not_of(kBlanks);
    if (begin == std::string::npos || systemFolder.empty())
        return commandLine;
    const bool quoted = commandLine[begin] == '"';
    std::size_t nameEnd;
    std::size_t rest;
    if (quoted) {
        nameEnd = commandLine.find('"', begin + 1);
        if (nameEnd == std::string::npos)
            return commandLine;  // no program name that Windows would read either
        rest = nameEnd + 1;
    } else {
        nameEnd = commandLine.find_first_of(kBlanks, begin);
        if (nameEnd == std::string::npos)
            nameEnd = commandLine.size();
        rest = nameEnd;
    }
    const std::size_t nameBegin = quoted ? begin + 1 : begin;
    const std::string name = commandLine.substr(nameBegin, nameEnd - nameBegin);
    if (name.empty() || NamesFolder(name))
        return commandLine;

    std::string path = systemFolder;
    if (path.back() != '\\')
        path += '\\';
    path += name;
    if (name.find('.') == std::string::npos)
        path += ".exe";
    if (!fileExists(path))
        return commandLine;
    if (quoted || path.find_first_of(kBlanks) != std::string::npos)
        path = "\"" + path + "\"";
    return commandLine.substr(0, begin) + path + commandLine.substr(rest);
}
