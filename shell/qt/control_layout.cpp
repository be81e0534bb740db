#include "shell/qt/control_layout.h"

#include <algorithm>

#include "platform/ui/container.h"
#include "platform/ui/list.h"

namespace qthost {
namespace {

// Extents of one child along (main) and across (cross) the flow.
struct Axis {
    int fixedMain, fixedCross, minMain, maxMain, minCross, maxCross;
    int padBefore, padAfter, padCrossBefore, padCrossAfter;
};

Axis AxisOf(const ui::Control& c, bool vertical) {
    const ui::Padding& p = c.GetPadding();
    if (vertical) {
        return {c.GetFixedHeight(),
                c.GetFixedWidth(),
                c.GetMinSize().height,
                c.GetMaxSize().height,
                c.GetMinSize().width,
                c.GetMaxSize().width,
                p.top,
                p.bottom,
                p.left,
                p.right};
    }
    return {c.GetFixedWidth(),
            c.GetFixedHeight(),
            c.GetMinSize().width,
            c.GetMaxSize().width,
            c.GetMinSize().height,
            c.GetMaxSize().height,
            p.left,
            p.right,
            p.top,
            p.bottom};
}

int Clamp(int value, int minValue, int maxValue) {
    if (maxValue > 0) {
        value = std::min(value, maxValue);
    }
    return std::max(value, std::max(minValue, 0));
}

QRect ContentRect(const ui::Container& container, const QRect& area) {
    const ui::Padding& inset = container.GetInset();
    return area.adjusted(inset.left, inset.top, -inset.right, -inset.bottom);
}

QRect FloatRect(const ui::Control& c, const QRect& area) {
    const ui::Rect& pos = c.GetFloatPos();
    int w = c.GetFixedWidth() > 0 ? c.GetFixedWidth() : pos.Width();
    int h = c.GetFixedHeight() > 0 ? c.GetFixedHeight() : pos.Height();
    return QRect(area.left() + pos.left, area.top() + pos.top, std::max(w, 0), std::max(h, 0));
}

QRect StackRect(const ui::Control& c, const QRect& content) {
    const ui::Padding& p = c.GetPadding();
    QRect r = content.adjusted(p.left, p.top, -p.right, -p.bottom);
    int w = c.GetFixedWidth() > 0 ? c.GetFixedWidth() : r.width();
    int h = c.GetFixedHeight() > 0 ? c.GetFixedHeight() : r.height();
    w = Clamp(w, c.GetMinSize().width, c.GetMaxSize().width);
    h = Clamp(h, c.GetMinSize().height, c.GetMaxSize().height);
    return QRect(r.left(), r.top(), w, h);
}

void PlaceSequence(const ui::Container& container, const QRect& content, bool vertical,
                   const std::vector<ui::Control*>& flow, std::vector<ChildPlacement>& out) {
    const int total = vertical ? content.height() : content.width();
    const int cross = vertical ? content.width() : content.height();
    int used = container.GetChildPadding() * std::max<int>(0, static_cast<int>(flow.size()) - 1);
    int autoCount = 0;
    for (const ui::Control* c : flow) {
        Axis a = AxisOf(*c, vertical);
        used += a.padBefore + a.padAfter;
        if (a.fixedMain > 0) {
            used += Clamp(a.fixedMain, a.minMain, a.maxMain);
        } else {
            ++autoCount;
        }
    }
    const int share = autoCount > 0 ? std::max(0, total - used) / autoCount : 0;
    int pos = vertical ? content.top() : content.left();
    for (ui::Control* c : flow) {
        Axis a = AxisOf(*c, vertical);
        int main = Clamp(a.fixedMain > 0 ? a.fixedMain : share, a.minMain, a.maxMain);
        int across = a.fixedCross > 0 ? a.fixedCross : cross - a.padCrossBefore - a.padCrossAfter;
        across = Clamp(across, a.minCross, a.maxCross);
        pos += a.padBefore;
        const int crossPos = (vertical ? content.left() : content.top()) + a.padCrossBefore;
        QRect r =
            vertical ? QRect(crossPos, pos, across, main) : QRect(pos, crossPos, main, across);
        out.push_back({c, r});
        pos += main + a.padAfter + container.GetChildPadding();
    }
}

}  // namespace

Flow FlowOf(const ui::Container& container) {
    if (dynamic_cast<const ui::VerticalLayout*>(&container) != nullptr) {
        return Flow::Vertical;
    }
    if (dynamic_cast<const ui::HorizontalLayout*>(&container) != nullptr ||
        dynamic_cast<const ui::ListContainerElement*>(&container) != nullptr) {
        return Flow::Horizontal;
    }
    return Flow::Stack;
}

std::vector<ChildPlacement> PlaceChildren(const ui::Container& container, const QRect& area,
                                          const ShownFn& shown) {
    std::vector<ChildPlacement> out;
    const QRect content = ContentRect(container, area);
    const Flow flow = FlowOf(container);
    std::vector<ui::Control*> sequence;
    for (size_t i = 0; i < container.GetCount(); ++i) {
        ui::Control* c = container.GetItemAt(i);
        if (c == nullptr || !shown(*c)) {
            continue;
        }
        if (c->IsFloat()) {
            out.push_back({c, FloatRect(*c, area)});
        } else if (flow == Flow::Stack) {
            out.push_back({c, StackRect(*c, content)});
        } else {
            sequence.push_back(c);
        }
    }
    if (!sequence.empty()) {
        PlaceSequence(container, content, flow == Flow::Vertical, sequence, out);
    }
    return out;
}

QSize MinimumContentSize(const ui::Container& container, const ShownFn& shown,
                         const LeafMinimumFn& leafMinimum) {
    const Flow flow = FlowOf(container);
    const bool vertical = flow != Flow::Horizontal;
    int main = 0;
    int cross = 0;
    int count = 0;
    for (size_t i = 0; i < container.GetCount(); ++i) {
        const ui::Control* c = container.GetItemAt(i);
        if (c == nullptr || !shown(*c) || c->IsFloat()) {
            continue;
        }
        QSize natural;
        if (const ui::Container* sub = const_cast<ui::Control*>(c)->AsContainer()) {
            natural = sub->HasVerticalScroll() ? QSize(0, 0)
                                               : MinimumContentSize(*sub, shown, leafMinimum);
        } else {
            natural = leafMinimum(*c);
        }
        int w = c->GetFixedWidth() > 0 ? c->GetFixedWidth()
                                       : std::max(c->GetMinSize().width, natural.width());
        int h = c->GetFixedHeight() > 0 ? c->GetFixedHeight()
                                        : std::max(c->GetMinSize().height, natural.height());
        const ui::Padding& p = c->GetPadding();
        w += p.left + p.right;
        h += p.top + p.bottom;
        const int along = vertical ? h : w;
        const int across = vertical ? w : h;
        main = flow == Flow::Stack ? std::max(main, along) : main + along;
        cross = std::max(cross, across);
        ++count;
    }
    if (flow != Flow::Stack && count > 1) {
        main += container.GetChildPadding() * (count - 1);
    }
    const ui::Padding& inset = container.GetInset();
    QSize size = vertical ? QSize(cross, main) : QSize(main, cross);
    return size + QSize(inset.left + inset.right, inset.top + inset.bottom);
}

}  // namespace qthost
