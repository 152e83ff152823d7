// The dialogs' pictures as icons: a colour image and a mask drawn with the same shapes, hard
// edged like the 16-colour pictures they stand for, so the mask fits the image exactly.
#include "forms/win32/Pictures.h"

#include <algorithm>

#include "common/win32/Handles.h"

namespace zarnetcalc::forms::win32 {
namespace {

using namespace zarnetcalc::win32;

UniqueFont CreateMarkFont(int pixels) {
    return UniqueFont(CreateFontW(-pixels, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                  OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                                  VARIABLE_PITCH | FF_SWISS, L"Arial"));
}

// Where to put the pen so that the "?" glyph's ink is centred in a size-pixel square.
POINT CentredMark(HDC dc, int size) {
    GLYPHMETRICS metrics{};
    const MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    if (GetGlyphOutlineW(dc, L'?', GGO_METRICS, &metrics, 0, nullptr, &identity) == GDI_ERROR) {
        SIZE extent{};
        GetTextExtentPoint32W(dc, L"?", 1, &extent);
        TEXTMETRICW text{};
        GetTextMetricsW(dc, &text);
        return POINT{(size - extent.cx) / 2, (size + extent.cy) / 2 - text.tmDescent};
    }
    const int width = static_cast<int>(metrics.gmBlackBoxX);
    const int height = static_cast<int>(metrics.gmBlackBoxY);
    return POINT{(size - width) / 2 - metrics.gmptGlyphOrigin.x,
                 (size - height) / 2 + metrics.gmptGlyphOrigin.y};
}

// Draws the "?" as a path at the pen position for this DC's font, then fills and outlines it.
void DrawMark(HDC dc, int size, COLORREF fill, COLORREF outline) {
    SetTextAlign(dc, TA_BASELINE | TA_LEFT);
    SetBkMode(dc, TRANSPARENT);
    const POINT at = CentredMark(dc, size);
    BeginPath(dc);
    TextOutW(dc, at.x, at.y, L"?", 1);
    EndPath(dc);
    const UniqueGdi<HPEN> pen(CreatePen(PS_SOLID, std::max(1, size / 16), outline));
    const UniqueGdi<HBRUSH> brush(CreateSolidBrush(fill));
    const SelectedObject withPen(dc, pen.Get());
    const SelectedObject withBrush(dc, brush.Get());
    StrokeAndFillPath(dc);
}

void DrawDisc(HDC dc, int size, COLORREF fill) {
    const UniqueGdi<HBRUSH> brush(CreateSolidBrush(fill));
    const SelectedObject withBrush(dc, brush.Get());
    const SelectedObject withPen(dc, GetStockObject(NULL_PEN));
    Ellipse(dc, 0, 0, size + 1, size + 1);
}

// Draws the picture twice: in colour on black (black is where the icon shows what lies under
// it), and in black on white for the mask.
template <class Draw>
UniqueIcon MakeIcon(int size, Draw draw) {
    if (size <= 0) {
        return UniqueIcon();
    }
    const WindowDc screen;
    const UniqueMemoryDc colourDc(CreateCompatibleDC(screen.Get()));
    const UniqueMemoryDc maskDc(CreateCompatibleDC(screen.Get()));
    const UniqueBitmap colour(CreateCompatibleBitmap(screen.Get(), size, size));
    const UniqueBitmap mask(CreateBitmap(size, size, 1, 1, nullptr));
    if (!colourDc || !maskDc || !colour || !mask) {
        return UniqueIcon();
    }
    {
        const SelectedObject colourSelected(colourDc.Get(), colour.Get());
        const SelectedObject maskSelected(maskDc.Get(), mask.Get());
        const RECT all{0, 0, size, size};
        FillRect(colourDc.Get(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        FillRect(maskDc.Get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        draw(colourDc.Get(), false);
        draw(maskDc.Get(), true);
    }
    ICONINFO info{TRUE, 0, 0, mask.Get(), colour.Get()};
    return UniqueIcon(CreateIconIndirect(&info));  // a copy: the bitmaps go with their owners
}

}  // namespace

void DrawQuestionMark(HDC dc, int left, int top, int size) {
    if (size <= 0) {
        return;
    }
    const int saved = SaveDC(dc);
    OffsetViewportOrgEx(dc, left, top, nullptr);
    const UniqueFont font = CreateMarkFont(size * 15 / 16);
    {
        const SelectedObject withFont(dc, font.Get());
        DrawMark(dc, size, RGB(255, 255, 0), RGB(64, 64, 0));
    }
    RestoreDC(dc, saved);
}

UniqueIcon CreateAboutIcon(int size) {
    return MakeIcon(size, [size](HDC dc, bool mask) {
        DrawDisc(dc, size, mask ? RGB(0, 0, 0) : RGB(0, 100, 0));
        if (mask) {
            return;  // the mark lies inside the disc
        }
        const UniqueFont font = CreateMarkFont(size * 3 / 4);
        const SelectedObject withFont(dc, font.Get());
        DrawMark(dc, size, RGB(255, 255, 255), RGB(255, 255, 255));
    });
}

}  // namespace zarnetcalc::forms::win32
