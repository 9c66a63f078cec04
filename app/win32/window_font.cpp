// The window font: the first face of a list that the system can draw at the size asked for.
#include "window_font.h"

#include <cstdlib>
#include <utility>

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

// The font as the screen draws it: its face and its metrics; false when it cannot be measured.
bool Measure(HDC screen, HFONT font, char (&face)[LF_FACESIZE], TEXTMETRICA& metrics) {
  const Selection selected(screen, font);
  GetTextFaceA(screen, LF_FACESIZE, face);
  return GetTextMetricsA(screen, &metrics) != 0;
}

}  // namespace

WindowFont CreateWindowFont(const char* const* faces, std::size_t face_count, int points, int dpi) {
  const int character_height = MulDiv(points, dpi, 72);
  const WindowDc screen(nullptr);
  char drawn_face[LF_FACESIZE] = {};
  TEXTMETRICA metrics{};
  for (std::size_t i = 0; i < face_count; ++i) {
    GdiObject<HFONT> candidate(CreateFace(faces[i], character_height));
    // Drawn in the face itself at the height, give or take the pixel a scalable face may round
    // by; a bitmap face without that size is drawn at another.
    if (candidate.Get() != nullptr && Measure(screen.Get(), candidate.Get(), drawn_face, metrics) &&
        lstrcmpiA(drawn_face, faces[i]) == 0 &&
        std::abs(metrics.tmHeight - metrics.tmInternalLeading - character_height) <= 1) {
      return {std::move(candidate), metrics.tmHeight};
    }
  }
  GdiObject<HFONT> dialog_face(CreateFace(kLastResortFace, character_height));
  metrics = TEXTMETRICA{};
  Measure(screen.Get(), dialog_face.Get(), drawn_face, metrics);
  return {std::move(dialog_face), metrics.tmHeight};
}
