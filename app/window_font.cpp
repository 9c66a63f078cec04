// The window font: the layout's face when the system has it, otherwise the closest installed one.
#include "window_font.h"

#include <cstring>
#include <string>

#include "main_form_layout.h"

namespace {

// The layout's face first, then its scalable successor of the same metrics, then the dialog face
// closest to it in height and width.
constexpr const char* kFaceCandidates[] = {kFontFace, "Microsoft Sans Serif", "Tahoma"};

// A logical face that the system always maps onto its dialog font.
constexpr char kLastResortFace[] = "MS Shell Dlg";

int CALLBACK NoteFound(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;  // one match is enough
}

bool IsInstalled(HDC screen, const char* face) {
  LOGFONTA query{};
  query.lfCharSet = DEFAULT_CHARSET;
  std::strncpy(query.lfFaceName, face, LF_FACESIZE - 1);
  bool found = false;
  EnumFontFamiliesExA(screen, &query, &NoteFound, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

std::string ChooseWindowFontFace() {
  HDC screen = GetDC(nullptr);
  std::string chosen = kLastResortFace;
  for (const char* face : kFaceCandidates) {
    if (IsInstalled(screen, face)) {
      chosen = face;
      break;
    }
  }
  ReleaseDC(nullptr, screen);
  return chosen;
}

}  // namespace

GdiObject<HFONT> CreateWindowFont(int points, int dpi) {
  LOGFONTA font{};
  font.lfHeight = -MulDiv(points, dpi, 72);  // negative: the character height, not the cell's
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  const std::string face = ChooseWindowFontFace();
  std::strncpy(font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  return GdiObject<HFONT>(CreateFontIndirectA(&font));
}
