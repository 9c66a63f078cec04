// The main window's layout as data: caption, sizes, every control with its text and place.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "product.h"

// A rectangle as left, top, width and height, relative to the parent's client area.
struct Bounds {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;

  int Right() const { return left + width; }
  int Bottom() const { return top + height; }
  friend bool operator==(const Bounds& a, const Bounds& b) {
    return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
  }
};

enum class ControlKind { kListBox, kPanel, kLabel, kPushButton, kRadioGroup };

// The controls in creation order. Within each parent this is also the tab order: the window
// system tabs through children in the order they were created.
enum class ControlName : std::size_t {
  ListBox1,
  Panel1,
  Label8,
  Label1,
  Label5,
  Label6,
  Button1,
  hardwaretype,
  communicationtype,
  Button2,
};

inline constexpr std::size_t kControlCount = 10;

// The items of a radio group, top to bottom in one column.
struct RadioItems {
  const char* const* texts = nullptr;
  int count = 0;
};

inline constexpr const char* kHardwareTypeItems[] = {
    "Show Hardware",        "USB Veyra (K/ZV/PLEX)",
    "PendrelORMO-Serial",   "PendrelORMO-USB",
    "PendrelORMO-Ethernet", "QuillonUSB",
    "QuillonEthernet",      "OstrelUSB",
};
inline constexpr const char* kCommunicationTypeItems[] = {"SWD", "JTAG"};

struct ControlLayout {
  ControlName name;
  ControlKind kind;
  bool in_panel;  // a child of Panel1; otherwise of the window itself
  Bounds bounds;  // at 96 pixels per inch, for the design client area
  const char* text;
  bool enabled;
  RadioItems items;  // radio groups only
};

inline constexpr std::array<ControlLayout, kControlCount> kMainFormLayout = {{
    {ControlName::ListBox1, ControlKind::kListBox, false, {201, 0, 397, 398}, "", true, {}},
    {ControlName::Panel1, ControlKind::kPanel, false, {0, 0, 201, 398}, "", true, {}},
    {ControlName::Label8, ControlKind::kLabel, true, {88, 18, 21, 13}, "Test", true, {}},
    {ControlName::Label1, ControlKind::kLabel, true, {68, 36, 72, 13}, "unit_kelm.DLL", true, {}},
    {ControlName::Label5, ControlKind::kLabel, true, {78, 60, 48, 13}, "VERSION", true, {}},
    {ControlName::Label6, ControlKind::kLabel, true, {92, 76, 21, 13}, "?.??", true, {}},
    {ControlName::Button1, ControlKind::kPushButton, true, {6, 350, 83, 35}, "START", true, {}},
    {ControlName::hardwaretype,
     ControlKind::kRadioGroup,
     true,
     {8, 96, 185, 169},
     "Test Hardware",
     true,
     {kHardwareTypeItems, 8}},
    {ControlName::communicationtype,
     ControlKind::kRadioGroup,
     true,
     {8, 272, 185, 73},
     "Communication",
     false,
     {kCommunicationTypeItems, 2}},
    {ControlName::Button2, ControlKind::kPushButton, true, {102, 350, 83, 35}, "STOP", false, {}},
}};

inline constexpr char kMainFormCaption[] = TESTZ_PRODUCT_NAME " v" TESTZ_VERSION_TEXT;

// The window's outer size, frame and title bar included, and the client area the table assumes.
inline constexpr int kOuterWidth = 614;
inline constexpr int kOuterHeight = 436;
inline constexpr int kDesignClientWidth = 598;
inline constexpr int kDesignClientHeight = 398;

// The window font: face, size in points, and the text height the table's sizes assume.
inline constexpr char kFontFace[] = "MS Sans Serif";
inline constexpr int kFontPoints = 8;
inline constexpr int kDesignTextHeight = 13;

// Every size and position above is for a screen of 96 pixels per inch. On a screen of `dpi`
// pixels per inch a length becomes length * dpi / 96, rounded to the nearest pixel.
inline constexpr int kDesignDpi = 96;
int ScaleToDpi(int length, int dpi);
// A rectangle scaled by its edges, so that controls that meet at 96 pixels per inch still meet.
Bounds ScaleToDpi(const Bounds& bounds, int dpi);

const ControlLayout& LayoutOf(ControlName name);

// Where one control goes.
struct ControlPlace {
  Bounds bounds;              // relative to the parent's client area
  std::vector<Bounds> items;  // a radio group's items, top to bottom, relative to the same parent
};
using MainFormPlaces = std::array<ControlPlace, kControlCount>;

inline const ControlPlace& PlaceOf(const MainFormPlaces& places, ControlName name) {
  return places[static_cast<std::size_t>(name)];
}

// The whole layout, indexed by ControlName, for a client area of client_width x client_height
// on a screen of `dpi` pixels per inch where one line of the window font is `text_height` pixels
// high. Panel1 keeps its scaled width and spans the whole client height; ListBox1 takes the rest.
// The panel's controls keep their scaled places whatever the client size; labels get their
// table widths scaled, and the window then sizes them to their texts. A radio group's items
// share the height below the frame's caption line evenly, indented from the frame's edges.
MainFormPlaces LayOutMainForm(int client_width, int client_height, int dpi, int text_height);
