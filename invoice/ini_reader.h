#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace invoice {

// The invoice data file: an INI text in Windows-1252, read once and answered
// from memory.
//
// - "[name]" opens a section; names of sections and keys compare without
//   regard to letter case. Blanks (spaces, tabs) around names and values go.
// - "key=value" defines a key; a value in one matching pair of double or
//   single quotes loses them. Values are cut at a NUL byte and at 2047 bytes.
// - Lines end with LF, CRLF or a lone CR. Lines starting with ";" are
//   comments, and so is any line inside a section that holds no "=".
// - A section or key that occurs more than once counts at its first
//   occurrence; the lines of a repeated section are ignored.
// - A UTF-8 byte-order mark at the start of the file is skipped; every other
//   byte is taken over unchanged.
class IniFile {
 public:
  static constexpr size_t kMaxValueLength = 2047;

  IniFile() = default;

  // Reads the whole file. Throws invoice::Error naming the path and the
  // system's reason when it cannot be read.
  static IniFile Load(const std::filesystem::path& path);
  static IniFile Parse(std::string_view bytes);

  // The value of the key, or `fallback` when the section or the key is
  // missing. A key present with an empty value gives the empty text.
  std::string ReadText(std::string_view section, std::string_view key,
                       std::string_view fallback) const;
  // The key converted by ParseIniInteger, or `fallback` when it is missing or
  // does not convert.
  std::int32_t ReadInt(std::string_view section, std::string_view key, std::int32_t fallback) const;

  // The raw value, or nullptr when the section or the key is missing.
  const std::string_view* Find(std::string_view section, std::string_view key) const;

  // Every section's name as first written, each once, in no particular order.
  std::vector<std::string_view> SectionNames() const;

 private:
  struct CaseFoldHash {
    size_t operator()(std::string_view s) const;
  };
  struct CaseFoldEqual {
    bool operator()(std::string_view a, std::string_view b) const;
  };
  using Keys = std::unordered_map<std::string_view, std::string_view, CaseFoldHash, CaseFoldEqual>;

  // Names and values are views into the file's bytes, which the pointer keeps
  // in place when the IniFile moves.
  std::unique_ptr<const std::string> bytes_;
  std::unordered_map<std::string_view, Keys, CaseFoldHash, CaseFoldEqual> sections_;
};

// Integer text as the data file writes it: optional leading spaces, an
// optional sign, then decimal digits or hexadecimal digits after "$", "x" or
// "X" ("0x" in front counts as "$"), running to the end; within the 32-bit
// signed range. Returns false for anything else.
bool ParseIniInteger(std::string_view text, std::int32_t& out);

}  // namespace invoice
