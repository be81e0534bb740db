#pragma once
// Where a container's children go, computed from the model alone.
//
// Sequence layouts (vertical, horizontal; a list element that holds controls is horizontal):
// children with a fixed extent along the flow take it; the others share what is left in
// equal parts, clamped to their min/max; across the flow a child takes its fixed extent or
// the whole width/height. Every child keeps its padding free around it, and the container's
// child padding separates neighbours. Other containers (plain, tab layout, list items)
// place every child over the whole inset area, at its fixed size when it has one. Floating
// children sit at their own position relative to the container.
//
// Pure functions of the model: no widget is touched, so hosts and tests can share them.

#include <QRect>
#include <QSize>
#include <functional>
#include <utility>
#include <vector>

namespace ui {
class Container;
class Control;
}  // namespace ui

namespace qthost {

enum class Flow { Stack, Vertical, Horizontal };

Flow FlowOf(const ui::Container& container);

// Whether a child takes part in layout (the host's view is shown).
using ShownFn = std::function<bool(const ui::Control&)>;
// The natural minimum of a leaf without fixed or minimum size (for scrolling content).
using LeafMinimumFn = std::function<QSize(const ui::Control&)>;

struct ChildPlacement {
    ui::Control* control = nullptr;
    QRect rect;  // relative to the container's own top-left
};

// Rectangles for every shown child of `container`, laid out inside `area` (the container's
// own rectangle at its origin, i.e. QRect(0, 0, w, h)).
std::vector<ChildPlacement> PlaceChildren(const ui::Container& container, const QRect& area,
                                          const ShownFn& shown);

// The smallest size the container's content needs: fixed and minimum extents summed along
// the flow and maximised across it, plus paddings and insets. Used to size scrolling content.
QSize MinimumContentSize(const ui::Container& container, const ShownFn& shown,
                         const LeafMinimumFn& leafMinimum);

}  // namespace qthost
