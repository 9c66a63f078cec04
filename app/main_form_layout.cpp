// The main window's layout: the docked panel and list, and the radio items inside their frames.
#include "main_form_layout.h"

#include <algorithm>

namespace {

// Space between a radio group's frame and its items, and below the items.
constexpr int kRadioIndent = 8;
constexpr int kRadioBottomMargin = 5;

}  // namespace

const ControlLayout& LayoutOf(ControlName name) {
  return kMainFormLayout[static_cast<std::size_t>(name)];
}

DockedBounds ArrangeDocked(int client_width, int client_height) {
  const int panel_width = LayoutOf(ControlName::Panel1).bounds.width;
  const int height = std::max(client_height, 0);
  DockedBounds docked;
  docked.panel = {0, 0, panel_width, height};
  docked.list = {panel_width, 0, std::max(client_width - panel_width, 0), height};
  return docked;
}

Bounds RadioItemBounds(const Bounds& group, int count, int index, int text_height) {
  // The caption takes one text line at the top of the frame; the rest is split evenly, and what
  // does not divide evenly is shared above the first item and below the last.
  const int usable = std::max(group.height - text_height - kRadioBottomMargin, 0);
  const int pitch = count > 0 ? usable / count : 0;
  const int top_margin = text_height + 1 + (count > 0 ? usable % count : 0) / 2;
  return {group.left + kRadioIndent, group.top + top_margin + index * pitch,
          std::max(group.width - 2 * kRadioIndent, 0), pitch};
}
