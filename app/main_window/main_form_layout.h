// The main window's layout as data: caption, sizes, every control with its text and place.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "choice_items.h"
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

// A status line is one line of text in Unicode, cut short with an ellipsis where it does not fit,
// one text line high whatever the table's height.
enum class ControlKind { kListBox, kPanel, kLabel, kPushButton, kRadioGroup, kStatusLine };

// Which window a control is made in: the main window itself, or Panel1.
enum class ControlParent { kWindow, kPanel1 };

// The items of a radio group, top to bottom in one column.
struct RadioItems {
  const char* const* texts = nullptr;
  int count = 0;
};

inline constexpr RadioItems kNoItems{};
inline constexpr RadioItems kHardwareTypeItems{kHardwareTypeTexts.data(),
                                               static_cast<int>(kHardwareTypeTexts.size())};
inline constexpr RadioItems kCommunicationTypeItems{kCommunicationTypeTexts, 2};

// What moves with the number of "Test Hardware" items, at 96 pixels per inch: its frame holds a
// caption line and margins and one 18-pixel line per item; "Communication" stands 7 pixels below
// it, the buttons 5 below that, and the client area ends 13 below the buttons.
inline constexpr int kHardwareTypeHeight = 25 + 18 * kHardwareTypeItems.count;
inline constexpr int kCommunicationTypeTop = 96 + kHardwareTypeHeight + 7;
inline constexpr int kButtonsTop = kCommunicationTypeTop + 73 + 5;
inline constexpr int kDesignClientHeight = kButtonsTop + 35 + 13;

// Every control of the window, one row each, in creation order. Within each parent this is also
// the tab order: the window system tabs through children in the order they were created. Places
// are at 96 pixels per inch, for the design client area, relative to the parent's client area.
// `click` is OnClick(<handler>), naming the main window's handler that a click on the control
// runs, or NoClick. AttemptCount, the halt loop's attempts as they are counted and how the loop
// ended, stands in the line the panel leaves free above its labels.
// clang-format off
#define MAIN_FORM_CONTROLS(X) \
  /* name              kind         parent   left top                   width height */\
  /*   text             enabled items                    click */\
  X(ListBox1,          kListBox,    kWindow,  201, 0,                    397, kDesignClientHeight, \
    "",              true,  kNoItems,                NoClick) \
  X(Panel1,            kPanel,      kWindow,    0, 0,                    201, kDesignClientHeight, \
    "",              true,  kNoItems,                NoClick) \
  X(Label8,            kLabel,      kPanel1,   88, 18,                    21, 13, \
    "Test",          true,  kNoItems,                NoClick) \
  X(Label1,            kLabel,      kPanel1,   68, 36,                    72, 13, \
    "unit_kelm.DLL", true,  kNoItems,                NoClick) \
  X(Label5,            kLabel,      kPanel1,   78, 60,                    48, 13, \
    "VERSION",       true,  kNoItems,                NoClick) \
  X(Label6,            kLabel,      kPanel1,   92, 76,                    21, 13, \
    "?.??",          true,  kNoItems,                NoClick) \
  X(Button1,           kPushButton, kPanel1,    6, kButtonsTop,           83, 35, \
    "START",         true,  kNoItems,                OnClick(Button1Click)) \
  X(hardwaretype,      kRadioGroup, kPanel1,    8, 96,                   185, kHardwareTypeHeight, \
    "Test Hardware", true,  kHardwareTypeItems,      NoClick) \
  X(communicationtype, kRadioGroup, kPanel1,    8, kCommunicationTypeTop, 185, 73, \
    "Communication", false, kCommunicationTypeItems, NoClick) \
  X(Button2,           kPushButton, kPanel1,  102, kButtonsTop,           83, 35, \
    "STOP",          false, kNoItems,                OnClick(Button2Click)) \
  X(AttemptCount,      kStatusLine, kPanel1,    6, 2,                    189, 13, \
    "",              true,  kNoItems,                NoClick)
// clang-format on

#define MAIN_FORM_CONTROL_NAME(name, ...) name,
enum class ControlName : std::size_t { MAIN_FORM_CONTROLS(MAIN_FORM_CONTROL_NAME) };
#undef MAIN_FORM_CONTROL_NAME

#define MAIN_FORM_CONTROL_COUNT(...) +1
inline constexpr std::size_t kControlCount = 0 MAIN_FORM_CONTROLS(MAIN_FORM_CONTROL_COUNT);
#undef MAIN_FORM_CONTROL_COUNT

struct ControlLayout {
  ControlName name;
  ControlKind kind;
  ControlParent parent;
  Bounds bounds;  // at 96 pixels per inch, for the design client area
  const char* text;
  bool enabled;
  RadioItems items;  // radio groups only
};

#define MAIN_FORM_CONTROL_ROW(name, kind, parent, left, top, width, height, text, enabled, items, \
                              click)                                                              \
  ControlLayout{ControlName::name,                                                                \
                ControlKind::kind,                                                                \
                ControlParent::parent,                                                            \
                {left, top, width, height},                                                       \
                text,                                                                             \
                enabled,                                                                          \
                items},
inline constexpr std::array<ControlLayout, kControlCount> kMainFormLayout = {
    {MAIN_FORM_CONTROLS(MAIN_FORM_CONTROL_ROW)}};
#undef MAIN_FORM_CONTROL_ROW

// Panel1 is made before the controls made in it.
constexpr bool PanelComesBeforeItsControls() {
  for (const ControlLayout& layout : kMainFormLayout) {
    if (layout.name == ControlName::Panel1) return true;
    if (layout.parent == ControlParent::kPanel1) return false;
  }
  return false;
}
static_assert(PanelComesBeforeItsControls(), "Panel1 must come before the controls in it");

// The window numbers a radio group's items in a block of ten ids of its own.
inline constexpr int kMostRadioItems = 10;
constexpr bool RadioGroupsFitTheirIds() {
  for (const ControlLayout& layout : kMainFormLayout) {
    if (layout.items.count > kMostRadioItems) return false;
  }
  return true;
}
static_assert(RadioGroupsFitTheirIds(), "a radio group has at most 10 items");

inline constexpr char kMainFormCaption[] = TESTZ_PRODUCT_NAME " v" TESTZ_VERSION_TEXT;

// The window's outer size, frame and title bar included, and the client area the table assumes
// (kDesignClientHeight above): the frame takes 16 pixels of the width and 38 of the height.
inline constexpr int kOuterWidth = 614;
inline constexpr int kOuterHeight = kDesignClientHeight + 38;
inline constexpr int kDesignClientWidth = 598;

// The window font: face, size in points, and the text height the table's sizes assume.
inline constexpr char kFontFace[] = "MS Sans Serif";
// The faces to make the window font in, best first: the layout's own, then its scalable successor
// of the same metrics, then the dialog face closest to it in height and width.
inline constexpr const char* kFontFaces[] = {kFontFace, "Microsoft Sans Serif", "Tahoma"};
inline constexpr int kFontPoints = 8;
inline constexpr int kDesignTextHeight = 13;

// Every size and position above is for a screen of 96 pixels per inch. On a screen of `dpi`
// pixels per inch a length becomes length * dpi / 96, rounded to the nearest pixel.
inline constexpr int kDesignDpi = 96;
int ScaleToDpi(int length, int dpi);
// A rectangle scaled by its edges, so that controls that meet at 96 pixels per inch still meet.
Bounds ScaleToDpi(const Bounds& bounds, int dpi);

const ControlLayout& LayoutOf(ControlName name);

// The height of one line of the window's text on a screen of `dpi` pixels per inch, where the
// window font draws a line `font_line_height` pixels high: the layout's line scaled to the DPI,
// or the font's own where that is taller. A substitute face that draws shorter than the layout's
// face keeps the layout's lines; one that draws taller is not cut off.
int LineHeightAt(int dpi, int font_line_height);

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
// share the height below the frame's caption line evenly, indented from the frame's edges. A
// status line is one text line high.
MainFormPlaces LayOutMainForm(int client_width, int client_height, int dpi, int text_height);
