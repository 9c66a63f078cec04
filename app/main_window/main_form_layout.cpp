// The main window's layout: the docked panel and list, and every control scaled to the screen.
#include "main_form_layout.h"

#include <algorithm>
#include <cstdint>

namespace {

// Space between a radio group's frame and its items, below the caption line, and below the
// items, at 96 pixels per inch.
constexpr int kRadioIndent = 8;
constexpr int kRadioCaptionGap = 1;
constexpr int kRadioBottomMargin = 5;

// The caption takes one text line at the top of the frame; the rest is split evenly, and what
// does not divide evenly is shared above the first item and below the last.
Bounds RadioItemBounds(const Bounds& group, int count, int index, int text_height, int dpi) {
  const int indent = ScaleToDpi(kRadioIndent, dpi);
  const int usable = std::max(group.height - text_height - ScaleToDpi(kRadioBottomMargin, dpi), 0);
  const int pitch = usable / count;
  const int top_margin = text_height + ScaleToDpi(kRadioCaptionGap, dpi) + usable % count / 2;
  return {group.left + indent, group.top + top_margin + index * pitch,
          std::max(group.width - 2 * indent, 0), pitch};
}

}  // namespace

int ScaleToDpi(int length, int dpi) {
  const std::int64_t scaled = std::int64_t{length} * dpi;
  const std::int64_t half = kDesignDpi / 2;
  return static_cast<int>((scaled >= 0 ? scaled + half : scaled - half) / kDesignDpi);
}

Bounds ScaleToDpi(const Bounds& bounds, int dpi) {
  const int left = ScaleToDpi(bounds.left, dpi);
  const int top = ScaleToDpi(bounds.top, dpi);
  return {left, top, ScaleToDpi(bounds.Right(), dpi) - left,
          ScaleToDpi(bounds.Bottom(), dpi) - top};
}

int LineHeightAt(int dpi, int font_line_height) {
  return std::max(ScaleToDpi(kDesignTextHeight, dpi), font_line_height);
}

const ControlLayout& LayoutOf(ControlName name) {
  return kMainFormLayout[static_cast<std::size_t>(name)];
}

MainFormPlaces LayOutMainForm(int client_width, int client_height, int dpi, int text_height) {
  MainFormPlaces places;
  for (const ControlLayout& layout : kMainFormLayout) {
    ControlPlace& place = places[static_cast<std::size_t>(layout.name)];
    place.bounds = ScaleToDpi(layout.bounds, dpi);
    if (layout.kind == ControlKind::kStatusLine) place.bounds.height = text_height;
    for (int i = 0; i < layout.items.count; ++i) {
      place.items.push_back(RadioItemBounds(place.bounds, layout.items.count, i, text_height, dpi));
    }
  }
  // Docked: the panel at its own width and the full height, the list in what is left.
  const int height = std::max(client_height, 0);
  Bounds& panel = places[static_cast<std::size_t>(ControlName::Panel1)].bounds;
  Bounds& list = places[static_cast<std::size_t>(ControlName::ListBox1)].bounds;
  panel = {0, 0, panel.width, height};
  list = {panel.width, 0, std::max(client_width - panel.width, 0), height};
  return places;
}
