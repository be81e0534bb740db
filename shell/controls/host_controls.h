#pragma once
// Smaller application controls.
//
// "Wnd" (CWndUI): a place in the layout for a window the program shows
// beside the control tree (a video preview, a toolkit widget). Whenever the
// host paints the control, the attached placer is told the control's
// rectangle and whether it is visible, so the hosted window follows it.
//
// "ChartView" (CChartViewUI): a pie ("view" = "pie") or bar chart
// ("histpgram") of labelled values; "pillarimage", "shadowimage" and their
// sizes dress the bars; "showtext" writes the labels.
//
// "CloudShareListItem" (CCloudShareListItemUI): a list row that draws a
// border while the pointer is over it; activation and context clicks work as
// for any list row ("itemactivate", "menu" when its menu is enabled).
//
// UI thread only.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/control.h"
#include "platform/ui/list.h"

class CWndUI : public ui::Control {
  public:
    static constexpr std::string_view kClassName = "Wnd";
    using Placer = std::function<void(const ui::Rect& rect, bool visible)>;

    std::string_view GetClass() const override { return kClassName; }
    void SetPlacer(Placer placer) { m_placer = std::move(placer); }
    // Tells the placer where the hosted window belongs now.
    void Sync();

    bool IsCustomPainted() const override { return true; }
    void Paint(ui::Painter& painter) override;

  private:
    Placer m_placer;
    ui::Rect m_lastRect;
    bool m_lastVisible = false;
    bool m_synced = false;
};

class CChartViewUI : public ui::Control {
  public:
    static constexpr std::string_view kClassName = "ChartView";
    enum class View { Pie, Histogram };
    struct Item {
        std::string label;
        double value = 0;
    };

    std::string_view GetClass() const override { return kClassName; }
    View GetView() const { return m_view; }
    void Add(std::string label, double value);
    void RemoveAll();
    const std::vector<Item>& Items() const { return m_items; }
    // Sweep of item `index` in degrees (pie), 0 when the total is not positive.
    double SweepOf(size_t index) const;

    bool IsCustomPainted() const override { return true; }
    void Paint(ui::Painter& painter) override;
    const ui::AttributeTable& Attributes() const override;

  private:
    double Total() const;
    void PaintPie(ui::Painter& painter, const ui::Rect& r);
    void PaintBars(ui::Painter& painter, const ui::Rect& r);

    View m_view = View::Pie;
    std::vector<Item> m_items;
    std::string m_pillarImage;
    std::string m_shadowImage;
    int m_pillarWidth = 0;
    int m_shadowHeight = 0;
    bool m_showText = true;
};

class CCloudShareListItemUI : public ui::ListContainerElement {
  public:
    static constexpr std::string_view kClassName = "CloudShareListItem";
    std::string_view GetClass() const override { return kClassName; }

    bool IsHovered() const { return m_hovered; }
    bool IsCustomPainted() const override { return true; }
    void Paint(ui::Painter& painter) override;
    bool HandleInput(const ui::InputEvent& event) override;

  private:
    bool m_hovered = false;
};
