#include "shell/controls/host_controls.h"

#include <algorithm>
#include <array>

#include "platform/ui/label.h"

namespace {

constexpr std::array<ui::Color, 6> kSeriesColors = {ui::Color{0xFF0099FF}, ui::Color{0xFF33CC99},
                                                    ui::Color{0xFFFFAA33}, ui::Color{0xFFE0506A},
                                                    ui::Color{0xFF9A7BFF}, ui::Color{0xFFB0B8C4}};
constexpr ui::Color kLabelColor{0xFFDDE3EA};
constexpr ui::Color kHoverBorder{0xFF0099FF};

}  // namespace

// --- CWndUI -------------------------------------------------------------------

void CWndUI::Sync() {
    const ui::Rect rect = GetHostRect();
    const bool visible = IsVisibleInTree();
    if (m_synced && rect == m_lastRect && visible == m_lastVisible) {
        return;
    }
    m_synced = true;
    m_lastRect = rect;
    m_lastVisible = visible;
    if (m_placer) {
        m_placer(rect, visible);
    }
}

void CWndUI::Paint(ui::Painter& /*painter*/) {
    Sync();
}

// --- CChartViewUI -------------------------------------------------------------

void CChartViewUI::Add(std::string label, double value) {
    m_items.push_back(Item{std::move(label), value});
    Invalidate();
}

void CChartViewUI::RemoveAll() {
    m_items.clear();
    Invalidate();
}

double CChartViewUI::Total() const {
    double total = 0;
    for (const Item& item : m_items) {
        total += std::max(0.0, item.value);
    }
    return total;
}

double CChartViewUI::SweepOf(size_t index) const {
    const double total = Total();
    if (index >= m_items.size() || total <= 0) {
        return 0;
    }
    return std::max(0.0, m_items[index].value) / total * 360.0;
}

void CChartViewUI::Paint(ui::Painter& painter) {
    const ui::Rect r = GetHostRect();
    if (r.IsEmpty() || m_items.empty()) {
        return;
    }
    if (m_view == View::Pie) {
        PaintPie(painter, r);
    } else {
        PaintBars(painter, r);
    }
}

void CChartViewUI::PaintPie(ui::Painter& painter, const ui::Rect& r) {
    const int side = std::min(r.Width(), r.Height());
    const ui::Rect disc{r.left, r.top, r.left + side, r.top + side};
    double start = 90.0;
    for (size_t i = 0; i < m_items.size(); ++i) {
        const double sweep = SweepOf(i);
        painter.FillPie(disc, kSeriesColors[i % kSeriesColors.size()], start, -sweep);
        start -= sweep;
    }
    if (!m_showText) {
        return;
    }
    const int lineHeight = 18;
    for (size_t i = 0; i < m_items.size(); ++i) {
        const int top = r.top + static_cast<int>(i) * lineHeight;
        painter.FillRect(ui::Rect{disc.right + 8, top + 4, disc.right + 18, top + 14},
                         kSeriesColors[i % kSeriesColors.size()]);
        painter.DrawText(m_items[i].label,
                         ui::Rect{disc.right + 22, top, r.right, top + lineHeight}, kLabelColor,
                         GetFont(), ui::TextAlign::Left);
    }
}

void CChartViewUI::PaintBars(ui::Painter& painter, const ui::Rect& r) {
    double peak = 0;
    for (const Item& item : m_items) {
        peak = std::max(peak, item.value);
    }
    const int textHeight = m_showText ? 18 : 0;
    const int slot = r.Width() / static_cast<int>(m_items.size());
    const int barWidth = m_pillarWidth > 0 ? std::min(m_pillarWidth, slot) : slot * 2 / 3;
    const int chartBottom = r.bottom - textHeight;
    for (size_t i = 0; i < m_items.size(); ++i) {
        const int left = r.left + static_cast<int>(i) * slot + (slot - barWidth) / 2;
        const double share = peak > 0 ? std::max(0.0, m_items[i].value) / peak : 0;
        const int height = static_cast<int>(share * (chartBottom - r.top));
        const ui::Rect bar{left, chartBottom - height, left + barWidth, chartBottom};
        if (!m_pillarImage.empty()) {
            painter.DrawImage(m_pillarImage, bar, std::nullopt, 255);
        } else {
            painter.FillRect(bar, kSeriesColors[i % kSeriesColors.size()]);
        }
        if (!m_shadowImage.empty() && m_shadowHeight > 0) {
            painter.DrawImage(
                m_shadowImage,
                ui::Rect{left, chartBottom, left + barWidth, chartBottom + m_shadowHeight},
                std::nullopt, 255);
        }
        if (m_showText) {
            painter.DrawText(m_items[i].label,
                             ui::Rect{left - 10, chartBottom, left + barWidth + 10, r.bottom},
                             kLabelColor, GetFont(), ui::TextAlign::Center);
        }
    }
}

const ui::AttributeTable& CChartViewUI::Attributes() const {
    static const ui::AttributeTable table = [] {
        ui::AttributeTable t(&ui::Control::ControlAttributes());
        t.Add("view", [](ui::Control& c, std::string_view v) {
            auto& chart = static_cast<CChartViewUI&>(c);
            if (ui::EqualsNoCase(v, "pie")) {
                chart.m_view = View::Pie;
            } else if (ui::EqualsNoCase(v, "histpgram") || ui::EqualsNoCase(v, "histogram")) {
                chart.m_view = View::Histogram;
            } else {
                return false;
            }
            return true;
        });
        t.Add("pillarimage", [](ui::Control& c, std::string_view v) {
            static_cast<CChartViewUI&>(c).m_pillarImage = std::string(v);
            return true;
        });
        t.Add("shadowimage", [](ui::Control& c, std::string_view v) {
            static_cast<CChartViewUI&>(c).m_shadowImage = std::string(v);
            return true;
        });
        t.Add("pillarimagewidth", [](ui::Control& c, std::string_view v) {
            auto i = ui::ParseInt(v);
            if (i)
                static_cast<CChartViewUI&>(c).m_pillarWidth = std::max(0, *i);
            return i.has_value();
        });
        t.Add("shadowimageheight", [](ui::Control& c, std::string_view v) {
            auto i = ui::ParseInt(v);
            if (i)
                static_cast<CChartViewUI&>(c).m_shadowHeight = std::max(0, *i);
            return i.has_value();
        });
        t.Add("showtext", [](ui::Control& c, std::string_view v) {
            auto b = ui::ParseBool(v);
            if (b)
                static_cast<CChartViewUI&>(c).m_showText = *b;
            return b.has_value();
        });
        t.Add("showhtml", [](ui::Control&, std::string_view v) {
            return ui::ParseBool(v).has_value();  // labels are plain text here
        });
        return t;
    }();
    return table;
}

// --- CCloudShareListItemUI ----------------------------------------------------

void CCloudShareListItemUI::Paint(ui::Painter& painter) {
    const ui::Rect r = GetHostRect();
    if (auto back = GetColor(IsSelected() ? ui::ColorRole::SelectedBackground
                                          : ui::ColorRole::Background)) {
        painter.FillRect(r, *back);
    }
    if (m_hovered) {
        painter.DrawRect(r, GetColor(ui::ColorRole::Border).value_or(kHoverBorder), 1);
    }
}

bool CCloudShareListItemUI::HandleInput(const ui::InputEvent& event) {
    if (event.type == ui::InputEvent::Type::Enter || event.type == ui::InputEvent::Type::Leave) {
        const bool hovered = event.type == ui::InputEvent::Type::Enter;
        if (hovered != m_hovered) {
            m_hovered = hovered;
            Invalidate();
        }
    }
    return false;
}
