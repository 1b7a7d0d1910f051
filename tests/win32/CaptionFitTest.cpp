// Every caption of the Win32 window drawn whole, in whatever face the
// system offers: the Song face the layout was drawn for, where there is one
// (9 points, as drawn), or the system's message font (the places stretched
// down as far as its lines need). Run with Wine's own fonts and again with a
// Song face under the Chinese Windows names (ctest: *_song).
#include "WindowDriver.hpp"
#include "gui/win32/CaptionFit.hpp"
#include "gui/win32/MessageFont.hpp"
#include "gui/win32/Wizard.hpp"
#include "gui/win32/ZoneLabel.hpp"
#include "wizard/FormLayout.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using quilvane::Control;
using quilvane::Kind;
using quilvane::Layout;
using quilvane::win32::CaptionFits;
using quilvane::win32::CaptionPlace;
using quilvane::win32::Wizard;
using namespace quilvane::testing::win32;

namespace {

RECT PlaceIn(HWND hwnd, HWND container)
{
    RECT place{};
    GetWindowRect(hwnd, &place);
    MapWindowPoints(HWND_DESKTOP, container, reinterpret_cast<POINT*>(&place), 2);
    return place;
}

// The caption's place as the window on the screen has it.
CaptionPlace PlaceOf(Wizard& wizard, int index)
{
    const Control& control = Layout()[static_cast<std::size_t>(index)];
    HWND hwnd = wizard.form().control(control.name);
    CaptionPlace place;
    place.kind = control.kind;
    place.caption = control.kind == Kind::Text ? L"*" : WindowText(hwnd);
    RECT client{};
    GetClientRect(hwnd, &client);
    place.size = {client.right, client.bottom};
    place.contentTop = client.bottom;
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        place.contentTop = std::min(place.contentTop, static_cast<int>(PlaceIn(child, hwnd).top));
    }
    for (int box : quilvane::win32::NamedBoxes(index)) {
        const RECT span = PlaceIn(wizard.form().control(Layout()[static_cast<std::size_t>(box)].name), hwnd);
        place.boxes.emplace_back(span.left, span.right);
    }
    return place;
}

bool Fits(const CaptionPlace& place, HFONT font, UINT dpi)
{
    HDC screen = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(screen, font);
    const bool fits = CaptionFits(place, screen, dpi);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    return fits;
}

std::wstring FaceOf(HFONT font)
{
    HDC screen = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(screen, font);
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(screen, LF_FACESIZE, face);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    return face;
}

// The set-up the test runs in (ctest sets it): "song" where the system has
// a Song face under the Chinese Windows names, "wine" with Wine's own fonts.
std::wstring FontSetUp()
{
    wchar_t name[16] = {};
    GetEnvironmentVariableW(L"QUILVANE_FONT_SETUP", name, 16);
    return name;
}

class Win32CaptionFit : public ::testing::Test {
protected:
    Win32CaptionFit() { wizard.show(); }
    HFONT font() { return reinterpret_cast<HFONT>(SendMessageW(wizard.form().command(1), WM_GETFONT, 0, 0)); }

    Wizard wizard;
};

TEST_F(Win32CaptionFit, TheFontIsTheSongFaceAtNinePointsWhereTheSystemHasOneElseTheMessageFont)
{
    LOGFONTW chosen{};
    GetObjectW(font(), sizeof chosen, &chosen);
    const UINT dpi = wizard.form().dpi();
    ASSERT_TRUE(FontSetUp() == L"song" || FontSetUp() == L"wine") << "QUILVANE_FONT_SETUP unset";
    if (FontSetUp() == L"song") {
        const std::wstring face = chosen.lfFaceName;
        EXPECT_TRUE(face == Wide("宋体") || face == L"SimSun" || face == Wide("新宋体") || face == L"NSimSun") << face;
        EXPECT_EQ(chosen.lfHeight, -MulDiv(9, static_cast<int>(dpi), 72));
    } else {
        HFONT message = quilvane::win32::CreateMessageFont(dpi);
        EXPECT_EQ(FaceOf(font()), FaceOf(message));
        DeleteObject(message);
    }
    std::printf("face %ls, height %ld, places stretched down to %d %%\n", FaceOf(font()).c_str(), chosen.lfHeight,
                wizard.form().stretch());
}

TEST_F(Win32CaptionFit, EveryCaptionFitsItsControlOnEveryPanel)
{
    for (int panel = 1; panel <= 5; ++panel) {
        for (int number = 1; number <= 5; ++number) {
            ShowWindow(wizard.form().frame(number), number == panel ? SW_SHOW : SW_HIDE);
        }
        for (std::size_t i = 0; i < Layout().size(); ++i) {
            const Control& control = Layout()[i];
            HWND hwnd = wizard.form().control(control.name);
            if (!IsWindowVisible(hwnd)) {
                continue;
            }
            SCOPED_TRACE(control.name);
            const CaptionPlace place = PlaceOf(wizard, static_cast<int>(i));
            HFONT own = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
            EXPECT_TRUE(Fits(place, own ? own : font(), wizard.form().dpi()))
                << "cut in a place of " << place.size.cx << " x " << place.size.cy;
        }
    }
}

// The measure itself: a caption that cannot be drawn whole is found out.
TEST_F(Win32CaptionFit, ACaptionTooLargeForItsPlaceDoesNotFit)
{
    const std::wstring label = Wide("请在下面的五个空格中填写五个密码（每空一个）");
    struct Case {
        const char* what;
        CaptionPlace place;
        bool fits;
    };
    const Case cases[] = {
        {"a label with room", {Kind::Label, label, {600, 100}, 0, {}}, true},
        {"a label one line too low", {Kind::Label, label, {60, 20}, 0, {}}, false},
        {"a label whose word is wider than it", {Kind::Label, L"Quilvane2.0Quilvane2.0", {20, 200}, 0, {}}, false},
        {"a button with room", {Kind::Command, Wide("下一步"), {200, 40}, 0, {}}, true},
        {"a button too narrow", {Kind::Command, Wide("下一步"), {30, 40}, 0, {}}, false},
        {"an option button too low", {Kind::Option, Wide("我要加密文件"), {300, 4}, 0, {}}, false},
        {"a panel title over its controls", {Kind::Frame, Wide("第二步输入加密密码"), {300, 200}, 3, {}}, false},
        {"a zone label with a box each", {Kind::Label, Wide("A区  B区"), {200, 40}, 0, {{0, 60}, {100, 160}}}, true},
        {"a zone label with a box short", {Kind::Label, Wide("A区  B区"), {200, 40}, 0, {{0, 60}}}, false},
        {"a zone word outside its label", {Kind::Label, Wide("A区  B区"), {200, 40}, 0, {{0, 60}, {300, 360}}},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Fits(c.place, font(), wizard.form().dpi()), c.fits);
    }
}

}  // namespace
