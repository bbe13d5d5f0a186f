#include <gtest/gtest.h>

#include <vector>

#include "forms/Window.h"

using namespace forms;

namespace {

struct Recorder : WindowObserver {
    std::vector<std::pair<std::string, Property>> changes;
    void elementChanged(Element& e, Property p) override { changes.emplace_back(e.name(), p); }
};

struct Sample : Window {
    Sample() : Window("Sample") {}
    Element total{*this, ElementKind::Label, "ltot"};
    Element other{*this, ElementKind::Label, "other"};
    ControlArray keys{*this, ElementKind::Button, "Command1", 1, 10};
    Element timer{*this, ElementKind::Timer, "Tp1"};
};

}  // namespace

TEST(WindowModel, ChangeRunsInsideTheAssignment) {
    Sample w;
    std::string seenInside;
    w.total.onChange = [&] {
        seenInside = w.other.caption();
        // A change handler that writes its own caption runs again, then finds nothing to do.
        if (w.total.caption() == "-20") w.total.setCaption("0");
    };
    w.other.setCaption("before");
    w.total.setCaption("-20");
    EXPECT_EQ(w.total.caption(), "0");
    EXPECT_EQ(seenInside, "before");
}

TEST(WindowModel, SameTextRaisesNoChange) {
    Sample w;
    int changes = 0;
    w.total.onChange = [&] { ++changes; };
    w.total.setCaption("5");
    w.total.setCaption("5");
    EXPECT_EQ(changes, 1);
}

TEST(WindowModel, ObserverSeesPropertyChanges) {
    Sample w;
    Recorder r;
    w.setObserver(&r);
    w.total.setVisible(false);
    w.total.setVisible(false);
    w.total.setWidth(668.718);
    ASSERT_EQ(r.changes.size(), 2u);
    EXPECT_EQ(r.changes[0].second, Property::Visible);
    EXPECT_EQ(r.changes[1].second, Property::Geometry);
    EXPECT_EQ(w.total.width(), 668.718f);
}

TEST(WindowModel, ControlArraysKeepTheirBoundsAndIndex) {
    Sample w;
    int clicked = 0;
    for (int i = 1; i <= 10; ++i) w.keys(i).onClick = [&, i] { clicked = i; };
    w.keys(7).click();
    EXPECT_EQ(clicked, 7);
    EXPECT_EQ(w.keys(10).index(), 10);
    EXPECT_EQ(w.find("Command1", 3), &w.keys(3));
    EXPECT_THROW(w.keys(0), std::out_of_range);
    w.keys(2).setEnabled(false);
    w.keys(2).click();
    EXPECT_EQ(clicked, 7);
}

TEST(WindowModel, TimersStartDisabledAndElementsStackInOrder) {
    Sample w;
    EXPECT_FALSE(w.timer.enabled());
    const auto& all = w.elements();
    ASSERT_EQ(all.size(), 13u);
    EXPECT_EQ(all.front(), &w.total);
    EXPECT_EQ(all.back(), &w.timer);
}

TEST(WindowModel, UnloadRunsOnce) {
    struct Counting : Window {
        Counting() : Window("C") {}
        int unloads = 0;
        void Form_Unload(int&) override { ++unloads; }
    } w;
    w.unload();
    w.unload();
    EXPECT_EQ(w.unloads, 1);
    EXPECT_TRUE(w.unloaded());
}

TEST(WindowModel, StackAboveMovesOneElementInTheOrder) {
    Sample w;
    w.stackAbove(w.total, w.other);
    const auto& all = w.elements();
    EXPECT_EQ(all[0], &w.other);
    EXPECT_EQ(all[1], &w.total);
    EXPECT_EQ(all.size(), 13u);
}
