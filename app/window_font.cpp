// The window font: the layout's face when the system has it, otherwise the closest installed one.
#include "window_font.h"

#include <cstdlib>
#include <utility>

#include "main_form_layout.h"

namespace {

// The layout's face first, then its scalable successor of the same metrics, then the dialog face
// closest to it in height and width.
constexpr const char* kFaceCandidates[] = {kFontFace, "Microsoft Sans Serif", "Tahoma"};

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
  HGDIOBJ previous = SelectObject(screen, font);
  char drawn_face[LF_FACESIZE] = {};
  GetTextFaceA(screen, LF_FACESIZE, drawn_face);
  TEXTMETRICA metrics{};
  const bool measured = GetTextMetricsA(screen, &metrics) != 0;
  SelectObject(screen, previous);
  return measured && lstrcmpiA(drawn_face, face) == 0 &&
         std::abs(metrics.tmHeight - metrics.tmInternalLeading - character_height) <= 1;
}

}  // namespace

GdiObject<HFONT> CreateWindowFont(int points, int dpi) {
  const int character_height = MulDiv(points, dpi, 72);
  HDC screen = GetDC(nullptr);
  GdiObject<HFONT> chosen;
  for (const char* face : kFaceCandidates) {
    GdiObject<HFONT> candidate(CreateFace(face, character_height));
    if (candidate.Get() != nullptr &&
        DrawnAsAsked(screen, candidate.Get(), face, character_height)) {
      chosen = std::move(candidate);
      break;
    }
  }
  ReleaseDC(nullptr, screen);
  if (chosen.Get() == nullptr)
    chosen = GdiObject<HFONT>(CreateFace(kLastResortFace, character_height));
  return chosen;
}

int LineHeight(HFONT font) {
  HDC screen = GetDC(nullptr);
  HGDIOBJ previous = SelectObject(screen, font);
  TEXTMETRICA metrics{};
  GetTextMetricsA(screen, &metrics);
  SelectObject(screen, previous);
  ReleaseDC(nullptr, screen);
  return metrics.tmHeight;
}
