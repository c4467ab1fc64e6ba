#include "invoice/ini_reader.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <system_error>

#include "invoice/cp1252.h"
#include "invoice/error.h"

namespace invoice {
namespace {

// Letter case folding of Windows-1252: ASCII and the accented Latin letters.
unsigned char Fold(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  switch (c) {
    case 0x8A:
      return 0x9A;  // Š
    case 0x8C:
      return 0x9C;  // Œ
    case 0x8E:
      return 0x9E;  // Ž
    case 0x9F:
      return 0xFF;  // Ÿ
    default:
      return c;
  }
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view CleanValue(std::string_view v) {
  v = Trim(v);
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    v = v.substr(1, v.size() - 2);
  }
  if (size_t nul = v.find('\0'); nul != std::string_view::npos) v = v.substr(0, nul);
  if (v.size() > IniFile::kMaxValueLength) v = v.substr(0, IniFile::kMaxValueLength);
  return v;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string ReadFailure(const std::filesystem::path& path, const std::string& reason) {
  return "N\xE3o foi poss\xEDvel ler o arquivo \"" + Utf8ToCp1252(path.string()) +
         "\": " + Utf8ToCp1252(reason);
}

}  // namespace

size_t IniFile::CaseFoldHash::operator()(std::string_view s) const {
  size_t h = 14695981039346656037ull;
  for (char c : s) h = (h ^ Fold(static_cast<unsigned char>(c))) * 1099511628211ull;
  return h;
}

bool IniFile::CaseFoldEqual::operator()(std::string_view a, std::string_view b) const {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Fold(static_cast<unsigned char>(a[i])) != Fold(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

IniFile IniFile::Load(const std::filesystem::path& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    throw Error(ReadFailure(path, std::make_error_code(std::errc::is_a_directory).message()));
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Error(ReadFailure(path, std::strerror(errno)));
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw Error(ReadFailure(path, std::strerror(errno)));
  return Parse(bytes);
}

IniFile IniFile::Parse(std::string_view input) {
  IniFile ini;
  auto owned = std::make_unique<std::string>(input);
  std::string_view rest = *owned;
  ini.bytes_ = std::move(owned);
  if (rest.substr(0, 3) == "\xEF\xBB\xBF") rest.remove_prefix(3);

  Keys* current = nullptr;  // null outside a section and inside a repeated one
  while (!rest.empty()) {
    const size_t end = rest.find_first_of("\r\n");
    std::string_view line = rest.substr(0, end);
    if (end == std::string_view::npos) {
      rest = {};
    } else {
      const bool crlf = rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n';
      rest.remove_prefix(end + (crlf ? 2 : 1));
    }

    line = Trim(line);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      if (size_t close = line.rfind(']'); close != std::string_view::npos) {
        auto [it, inserted] = ini.sections_.try_emplace(Trim(line.substr(1, close - 1)));
        current = inserted ? &it->second : nullptr;
        continue;
      }
    }
    const size_t eq = line.find('=');
    if (current == nullptr || eq == std::string_view::npos) continue;
    current->try_emplace(Trim(line.substr(0, eq)), CleanValue(line.substr(eq + 1)));
  }
  return ini;
}

const std::string_view* IniFile::Find(std::string_view section, std::string_view key) const {
  auto s = sections_.find(Trim(section));
  if (s == sections_.end()) return nullptr;
  auto k = s->second.find(Trim(key));
  return k == s->second.end() ? nullptr : &k->second;
}

std::vector<std::string_view> IniFile::SectionNames() const {
  std::vector<std::string_view> names;
  names.reserve(sections_.size());
  for (const auto& [name, keys] : sections_) names.push_back(name);
  return names;
}

std::string IniFile::ReadText(std::string_view section, std::string_view key,
                              std::string_view fallback) const {
  const std::string_view* value = Find(section, key);
  return std::string(value ? *value : fallback);
}

std::int32_t IniFile::ReadInt(std::string_view section, std::string_view key,
                              std::int32_t fallback) const {
  const std::string_view* value = Find(section, key);
  std::int32_t result = 0;
  return value && ParseIniInteger(*value, result) ? result : fallback;
}

bool ParseIniInteger(std::string_view text, std::int32_t& out) {
  std::string hex_form;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    hex_form = "$";
    hex_form += text.substr(2);
    text = hex_form;
  }
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    ++i;
  }
  if (i == text.size()) return false;
  // Magnitude limit: 2^31 for a negative number, 2^31 - 1 otherwise.
  const std::uint64_t limit = negative ? 2147483648ull : 2147483647ull;
  std::uint64_t value = 0;
  for (; i < text.size(); ++i) {
    const int digit = HexDigit(text[i]);
    if (digit < 0 || digit >= base) return false;
    value = value * base + digit;
    if (value > limit) return false;
  }
  out = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(value))
                 : static_cast<std::int32_t>(value);
  return true;
}

}  // namespace invoice
