// Placement of children from the model's size hints.

#include <gtest/gtest.h>

#include "platform/ui/container.h"
#include "platform/ui/list.h"
#include "shell/qt/control_layout.h"

namespace qthost_test {
namespace {

using qthost::PlaceChildren;

ui::Control* AddChild(ui::Container& box, int w = 0, int h = 0) {
    auto c = std::make_unique<ui::Control>();
    c->SetFixedWidth(w);
    c->SetFixedHeight(h);
    return box.Add(std::move(c));
}

const qthost::ShownFn kAll = [](const ui::Control& c) { return c.IsVisible(); };

QRect RectOf(const std::vector<qthost::ChildPlacement>& placed, const ui::Control* c) {
    for (const auto& p : placed) {
        if (p.control == c) {
            return p.rect;
        }
    }
    return {};
}

TEST(ControlLayout, VerticalGivesFixedHeightsAndSharesTheRest) {
    ui::VerticalLayout box;
    box.SetInset(ui::Padding{10, 5, 10, 5});
    box.SetChildPadding(4);
    ui::Control* head = AddChild(box, 0, 30);
    ui::Control* a = AddChild(box);
    ui::Control* b = AddChild(box, 50, 0);
    const auto placed = PlaceChildren(box, QRect(0, 0, 200, 300), kAll);
    EXPECT_EQ(RectOf(placed, head), QRect(10, 5, 180, 30));
    // 290 inner height - 30 fixed - 2 gaps of 4 = 252, shared by two.
    EXPECT_EQ(RectOf(placed, a), QRect(10, 39, 180, 126));
    EXPECT_EQ(RectOf(placed, b), QRect(10, 169, 50, 126));
}

TEST(ControlLayout, PaddingMinMaxAndHiddenChildren) {
    ui::HorizontalLayout box;
    ui::Control* a = AddChild(box);
    a->SetPadding(ui::Padding{5, 2, 5, 2});
    a->SetMaxSize(ui::Size{40, 0});
    ui::Control* hidden = AddChild(box, 70, 0);
    hidden->SetVisible(false);
    ui::Control* b = AddChild(box);
    b->SetMinSize(ui::Size{150, 0});
    const auto placed = PlaceChildren(box, QRect(0, 0, 200, 20), kAll);
    EXPECT_EQ(placed.size(), 2u);
    EXPECT_EQ(RectOf(placed, a), QRect(5, 2, 40, 16));
    EXPECT_EQ(RectOf(placed, b), QRect(50, 0, 150, 20));
}

TEST(ControlLayout, OverfullSequenceGivesAutoChildrenNothingRatherThanNegative) {
    ui::VerticalLayout box;
    AddChild(box, 0, 80);
    ui::Control* squeezed = AddChild(box);
    const auto placed = PlaceChildren(box, QRect(0, 0, 50, 60), kAll);
    EXPECT_EQ(RectOf(placed, squeezed).height(), 0);
}

TEST(ControlLayout, PlainContainerStacksAndFloatsKeepTheirPosition) {
    ui::Container box;
    box.SetInset(ui::Padding{2, 2, 2, 2});
    ui::Control* fill = AddChild(box);
    ui::Control* fixed = AddChild(box, 30, 20);
    ui::Control* floating = AddChild(box);
    floating->SetFloat(true, ui::Rect{60, 10, 100, 50});
    const auto placed = PlaceChildren(box, QRect(0, 0, 120, 80), kAll);
    EXPECT_EQ(RectOf(placed, fill), QRect(2, 2, 116, 76));
    EXPECT_EQ(RectOf(placed, fixed), QRect(2, 2, 30, 20));
    EXPECT_EQ(RectOf(placed, floating), QRect(60, 10, 40, 40));
}

TEST(ControlLayout, ListRowsThatHoldControlsRunHorizontally) {
    ui::ListContainerElement row;
    ui::Control* label = AddChild(row, 40, 0);
    ui::Control* rest = AddChild(row);
    const auto placed = PlaceChildren(row, QRect(0, 0, 300, 30), kAll);
    EXPECT_EQ(RectOf(placed, label), QRect(0, 0, 40, 30));
    EXPECT_EQ(RectOf(placed, rest), QRect(40, 0, 260, 30));
}

TEST(ControlLayout, MinimumContentSumsAlongTheFlow) {
    ui::VerticalLayout box;
    box.SetChildPadding(5);
    box.SetInset(ui::Padding{0, 10, 0, 10});
    AddChild(box, 80, 30);
    ui::Control* leaf = AddChild(box);
    leaf->SetPadding(ui::Padding{0, 3, 0, 3});
    const qthost::LeafMinimumFn natural = [](const ui::Control&) { return QSize(20, 12); };
    // 10 + 30 + 5 + (3 + 12 + 3) + 10
    EXPECT_EQ(qthost::MinimumContentSize(box, kAll, natural), QSize(80, 73));
}

}  // namespace
}  // namespace qthost_test
