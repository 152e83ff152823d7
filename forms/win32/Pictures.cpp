// The dialogs' pictures as icons: a colour image and a mask drawn with the same shapes, hard
// edged like the 16-colour pictures they stand for, so the mask fits the image exactly.
#include "forms/win32/Pictures.h"

#include <algorithm>

namespace zarnetcalc::forms::win32 {
namespace {

HFONT CreateMarkFont(int pixels) {
    return CreateFontW(-pixels, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                       VARIABLE_PITCH | FF_SWISS, L"Arial");
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
    HPEN pen = CreatePen(PS_SOLID, std::max(1, size / 16), outline);
    HBRUSH brush = CreateSolidBrush(fill);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    StrokeAndFillPath(dc);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(brush);
    DeleteObject(pen);
}

void DrawDisc(HDC dc, int size, COLORREF fill) {
    HBRUSH brush = CreateSolidBrush(fill);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    Ellipse(dc, 0, 0, size + 1, size + 1);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(brush);
}

// Draws the picture twice: in colour on black (black is where the icon shows what lies under
// it), and in black on white for the mask.
template <class Draw>
HICON MakeIcon(int size, Draw draw) {
    if (size <= 0) {
        return nullptr;
    }
    HICON icon = nullptr;
    HDC screen = GetDC(nullptr);
    HDC colourDc = CreateCompatibleDC(screen);
    HDC maskDc = CreateCompatibleDC(screen);
    HBITMAP colour = CreateCompatibleBitmap(screen, size, size);
    HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
    if (colourDc && maskDc && colour && mask) {
        HGDIOBJ oldColour = SelectObject(colourDc, colour);
        HGDIOBJ oldMask = SelectObject(maskDc, mask);
        const RECT all{0, 0, size, size};
        FillRect(colourDc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        FillRect(maskDc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        draw(colourDc, false);
        draw(maskDc, true);
        SelectObject(maskDc, oldMask);
        SelectObject(colourDc, oldColour);
        ICONINFO info{TRUE, 0, 0, mask, colour};
        icon = CreateIconIndirect(&info);
    }
    if (mask) {
        DeleteObject(mask);
    }
    if (colour) {
        DeleteObject(colour);
    }
    if (maskDc) {
        DeleteDC(maskDc);
    }
    if (colourDc) {
        DeleteDC(colourDc);
    }
    ReleaseDC(nullptr, screen);
    return icon;
}

}  // namespace

HICON CreateQuestionMarkPicture(int size) {
    return MakeIcon(size, [size](HDC dc, bool mask) {
        HFONT font = CreateMarkFont(size * 15 / 16);
        HGDIOBJ old = SelectObject(dc, font);
        DrawMark(dc, size, mask ? RGB(0, 0, 0) : RGB(255, 255, 0),
                 mask ? RGB(0, 0, 0) : RGB(64, 64, 0));
        SelectObject(dc, old);
        DeleteObject(font);
    });
}

HICON CreateAboutIcon(int size) {
    return MakeIcon(size, [size](HDC dc, bool mask) {
        DrawDisc(dc, size, mask ? RGB(0, 0, 0) : RGB(0, 100, 0));
        if (mask) {
            return;  // the mark lies inside the disc
        }
        HFONT font = CreateMarkFont(size * 3 / 4);
        HGDIOBJ old = SelectObject(dc, font);
        DrawMark(dc, size, RGB(255, 255, 255), RGB(255, 255, 255));
        SelectObject(dc, old);
        DeleteObject(font);
    });
}

}  // namespace zarnetcalc::forms::win32
