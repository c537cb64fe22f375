// The case-file reader of kel-e2e: turns a .t file (the format is in README.md next to this
// file) into case records, each with its parameters, channels, files, input and the expected
// bytes of both outputs and the status. It runs nothing; runner.cpp does.
//
// A case file that breaks the format is refused as a whole, with "file:line: message".
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Cases {

// Bytes of a section. Repeats stay as (text, count), so that a case can describe a huge source
// file without holding it in memory.
class Content {
  public:
    void Append(std::string_view s);
    void AppendRepeat(std::string text, std::uint64_t count);
    std::uint64_t Size() const { return size_; }

    // Feeds the bytes to f in order, in chunks of modest size; stops as soon as f returns false.
    void ForEachChunk(const std::function<bool(std::string_view)>& f) const;

    // Bytes [from, from + len), clipped to the content.
    std::string Slice(std::uint64_t from, std::uint64_t len) const;

  private:
    struct Piece {
        std::string text;
        std::uint64_t count;
    };
    std::vector<Piece> pieces_;
    std::uint64_t size_ = 0;
};

enum class Channel { Captured, Closed, Full };

struct Entry {
    std::string name; // relative, without ".."
    bool isDir = false;
    Content content;
};

struct Case {
    std::string name;
    int line = 0;
    std::string args; // split per run, because $DIR differs each time
    Channel channel[3] = {Channel::Captured, Channel::Captured, Channel::Captured};
    std::string only; // "posix" or "windows": the one system the case is for
    std::optional<Content> input, expected[3]; // expected[1] stdout, expected[2] stderr
    std::optional<int> status;
    std::vector<Entry> entries;
};

// Appends the cases of the file at path to cases; false with err set when the file cannot be
// read or breaks the format.
bool Read(const std::string& path, std::vector<Case>& cases, std::string& err);

// Splits a line into words like a very small shell. When dir is given, $DIR outside single
// quotes becomes *dir.
bool SplitWords(std::string_view s, const std::string* dir, std::vector<std::string>& words,
                std::string& err);

} // namespace Cases
