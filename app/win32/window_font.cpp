// The window font: the first face of a list that the system can draw at the size asked for.
#include "window_font.h"

#include <cstdlib>

namespace {

// A logical face that the system always maps onto its dialog font.
constexpr char kLastResortFace[] = "MS Shell Dlg";

HFONT CreateFace(const char* face, int character_height) {
  LOGFONTA font{};
  font.lfHeight = -character_height;  // negative: the character height, not the cell's
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  lstrcpynA(font.lfFaceName, face, LF_FACESIZE);
  return CreateFontIndirectA(&font);
}

// True when the screen draws `font` in `face` itself at `character_height`, give or take the
// pixel a scalable face may round by; a bitmap face without that size is drawn at another.
bool DrawnAsAsked(HDC screen, HFONT font, const char* face, int character_height) {
  const Selection selected(screen, font);
  char drawn_face[LF_FACESIZE] = {};
  GetTextFaceA(screen, LF_FACESIZE, drawn_face);
  TEXTMETRICA metrics{};
  const bool measured = GetTextMetricsA(screen, &metrics) != 0;
  return measured && lstrcmpiA(drawn_face, face) == 0 &&
         std::abs(metrics.tmHeight - metrics.tmInternalLeading - character_height) <= 1;
}

}  // namespace

GdiObject<HFONT> CreateWindowFont(const char* const* faces, std::size_t face_count, int points,
                                  int dpi) {
  const int character_height = MulDiv(points, dpi, 72);
  const WindowDc screen(nullptr);
  for (std::size_t i = 0; i < face_count; ++i) {
    GdiObject<HFONT> candidate(CreateFace(faces[i], character_height));
    if (candidate.Get() != nullptr &&
        DrawnAsAsked(screen.Get(), candidate.Get(), faces[i], character_height)) {
      return candidate;
    }
  }
  return GdiObject<HFONT>(CreateFace(kLastResortFace, character_height));
}

int LineHeight(HFONT font) {
  const WindowDc screen(nullptr);
  const Selection selected(screen.Get(), font);
  TEXTMETRICA metrics{};
  GetTextMetricsA(screen.Get(), &metrics);
  return metrics.tmHeight;
}
