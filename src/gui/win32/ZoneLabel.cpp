#include "gui/win32/ZoneLabel.hpp"

#include "platform/win32/WideText.hpp"
#include "wizard/FormLayout.hpp"

#include <algorithm>
#include <cstring>

namespace quilvane::win32 {

std::vector<std::wstring> Words(std::wstring_view caption)
{
    std::vector<std::wstring> words;
    std::size_t at = 0;
    while ((at = caption.find_first_not_of(L' ', at)) != std::wstring_view::npos) {
        const std::size_t end = std::min(caption.find(L' ', at), caption.size());
        words.emplace_back(caption.substr(at, end - at));
        at = end;
    }
    return words;
}

std::vector<int> NamedBoxes(int index)
{
    const auto& layout = Layout();
    const Control& label = layout[static_cast<std::size_t>(index)];
    if (label.kind != Kind::Label || !label.container) {
        return {};
    }
    std::vector<int> boxes;
    for (std::size_t i = 0; i < layout.size(); ++i) {
        if (layout[i].kind == Kind::Text && std::strcmp(layout[i].container, label.container) == 0) {
            boxes.push_back(static_cast<int>(i));
        }
    }
    std::sort(boxes.begin(), boxes.end(), [&](int a, int b) {
        return layout[static_cast<std::size_t>(a)].left < layout[static_cast<std::size_t>(b)].left;
    });
    const bool oneWordEach = boxes.size() > 1 && Words(WideFromUtf8(label.caption)).size() == boxes.size();
    return oneWordEach ? boxes : std::vector<int>{};
}

int WordLeft(int width, int boxLeft, int boxRight, int labelWidth)
{
    const int centred = (boxLeft + boxRight - width) / 2;
    return std::max(0, std::min(centred, labelWidth - width));
}

void PaintZoneLabel(HWND label, const std::vector<HWND>& boxes)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(label, &paint);
    RECT client{};
    GetClientRect(label, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    const HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(IsWindowEnabled(label) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    wchar_t caption[256] = {};
    GetWindowTextW(label, caption, 256);
    const auto words = Words(caption);
    for (std::size_t i = 0; i < words.size() && i < boxes.size(); ++i) {
        RECT box{};
        GetWindowRect(boxes[i], &box);
        MapWindowPoints(HWND_DESKTOP, label, reinterpret_cast<POINT*>(&box), 2);
        SIZE word{};
        GetTextExtentPoint32W(dc, words[i].c_str(), static_cast<int>(words[i].size()), &word);
        const int left = WordLeft(word.cx, box.left, box.right, client.right);
        TextOutW(dc, left, 0, words[i].c_str(), static_cast<int>(words[i].size()));
    }
    SelectObject(dc, oldFont);
    EndPaint(label, &paint);
}

}  // namespace quilvane::win32
