#include "platform/metafile.h"

#include <emf2svg.h>
#include <libwmf/api.h>
#include <libwmf/svg.h>

#include <cstdint>
#include <cstdlib>

namespace platform {
namespace {

std::uint32_t Le32(std::string_view bytes, size_t at) {
  std::uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i)
    v |= std::uint32_t(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
  return v;
}

// libwmf allocates a buffer of the header's largest-record size, in 16-bit
// words, before it reads any record. No record is larger than the file, so a
// header that claims more is refused instead of allocated.
bool PlausibleWmfHeader(std::string_view bytes) {
  const size_t header = bytes.size() >= 4 && Le32(bytes, 0) == 0x9AC6CDD7 ? 22 : 0;
  if (bytes.size() < header + 18) return false;
  return std::uint64_t{Le32(bytes, header + 12)} * 2 <= bytes.size();
}

}  // namespace

std::optional<std::string> WmfToSvg(std::string_view bytes, unsigned max_side) {
  if (!PlausibleWmfHeader(bytes)) return std::nullopt;
  wmfAPI* api = nullptr;
  wmfAPI_Options options{};
  options.function = wmf_svg_function;
  if (wmf_api_create(&api, WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL, &options) != wmf_E_None) {
    if (api) wmf_api_destroy(api);
    return std::nullopt;
  }
  std::string data(bytes);
  std::optional<std::string> svg_text;
  wmfD_Rect bbox{};
  unsigned int width = 0;
  unsigned int height = 0;
  if (wmf_mem_open(api, reinterpret_cast<unsigned char*>(data.data()),
                   static_cast<long>(data.size())) == wmf_E_None &&
      wmf_scan(api, 0, &bbox) == wmf_E_None &&
      wmf_display_size(api, &width, &height, 96, 96) == wmf_E_None && width > 0 && height > 0 &&
      width <= max_side && height <= max_side) {
    wmf_svg_t* svg = WMF_SVG_GetData(api);
    svg->out = wmf_stream_create(api, nullptr);
    static char description[] = "logo";
    svg->Description = description;
    svg->bbox = bbox;
    svg->width = width;
    svg->height = height;
    const bool played = wmf_play(api, 0, &bbox) == wmf_E_None;
    char* out = nullptr;
    unsigned long length = 0;
    wmf_stream_destroy(api, svg->out, &out, &length);
    if (played && out) svg_text = std::string(out, length);
    if (out) wmf_free(api, out);
  }
  wmf_api_destroy(api);
  return svg_text;
}

std::optional<std::string> EmfToSvg(std::string_view bytes) {
  std::string data(bytes);
  generatorOptions options{};
  static char no_namespace[] = "";
  options.nameSpace = no_namespace;
  options.svgDelimiter = true;
  options.emfplus = true;
  char* out = nullptr;
  size_t length = 0;
  const int ok = emf2svg(data.data(), data.size(), &out, &length, &options);
  std::optional<std::string> svg_text;
  if (ok && out) svg_text = std::string(out, length);
  std::free(out);
  return svg_text;
}

}  // namespace platform
