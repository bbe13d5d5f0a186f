// The table's three sounds, played through one procedure that is silent when sound is off.

#include "TableFixture.h"

using SoundTest = TableFixture;

TEST_F(SoundTest, EachKindPlaysItsSound) {
    struct Case {
        int kind;
        const char* file;  // null: nothing played
        int stops;
    };
    const Case cases[] = {{0, nullptr, 0},    {1, "chip.wav", 0}, {2, "shuf.wav", 0},
                          {3, "card.wav", 0}, {4, nullptr, 1},    {5, nullptr, 1},
                          {6, nullptr, 0},    {-1, nullptr, 0}};
    load();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        sound.played.clear();
        sound.stops = 0;
        w->PlayEffect(c.kind);
        if (c.file)
            EXPECT_EQ(sound.played, std::vector<std::string>{c.file});
        else
            EXPECT_TRUE(sound.played.empty());
        EXPECT_EQ(sound.stops, c.stops);
    }
}

TEST_F(SoundTest, NothingReachesTheDeviceWhenSoundIsOff) {
    load();
    w->SoundOff = 1;
    for (int kind = 0; kind <= 6; ++kind) w->PlayEffect(kind);
    EXPECT_TRUE(sound.played.empty());
    EXPECT_EQ(sound.stops, 0);
}

TEST_F(SoundTest, ChipClickSoundsBeforeTheBetChanges) {
    load();
    std::string betWhilePlaying;
    sound.onPlay = [&](const std::string&) { betWhilePlaying = w->Text1.caption(); };
    w->image4(1).mouseUp(forms::LeftButton);
    EXPECT_EQ(sound.played, std::vector<std::string>{"chip.wav"});
    EXPECT_EQ(betWhilePlaying, "0");
    EXPECT_EQ(w->Text1.caption(), "5");
}
