// Screenshots: a copy of a window's client area into a bitmap, and the PNG encoder of the
// Windows Imaging Component. No library beyond the system's.
#include "Screenshot.h"

#include <wincodec.h>
#include <wrl/client.h>

namespace zarnetcalc::demo {

using Microsoft::WRL::ComPtr;

Picture::~Picture() {
    if (bitmap_ != nullptr) {
        DeleteObject(bitmap_);
    }
}

bool Picture::Capture(HWND window) {
    RECT client{};
    if (window == nullptr || !GetClientRect(window, &client) || client.right <= 0 ||
        client.bottom <= 0) {
        return false;
    }
    HDC source = GetDC(window);
    if (source == nullptr) {
        return false;
    }
    HDC copy = CreateCompatibleDC(source);
    HBITMAP bitmap = CreateCompatibleBitmap(source, client.right, client.bottom);
    bool ok = false;
    if (copy != nullptr && bitmap != nullptr) {
        HGDIOBJ old = SelectObject(copy, bitmap);
        ok = BitBlt(copy, 0, 0, client.right, client.bottom, source, 0, 0, SRCCOPY) != 0;
        SelectObject(copy, old);
    }
    if (copy != nullptr) {
        DeleteDC(copy);
    }
    ReleaseDC(window, source);
    if (!ok) {
        if (bitmap != nullptr) {
            DeleteObject(bitmap);
        }
        return false;
    }
    if (bitmap_ != nullptr) {
        DeleteObject(bitmap_);
    }
    bitmap_ = bitmap;
    width_ = client.right;
    height_ = client.bottom;
    return true;
}

bool Picture::SavePng(const std::wstring& path) const {
    if (bitmap_ == nullptr || path.empty()) {
        return false;
    }
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICBitmap> source;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    const bool written =
        SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IWICImagingFactory,
                                   reinterpret_cast<void**>(factory.GetAddressOf()))) &&
        SUCCEEDED(factory->CreateBitmapFromHBITMAP(bitmap_, nullptr, WICBitmapIgnoreAlpha,
                                                   source.GetAddressOf())) &&
        SUCCEEDED(factory->CreateStream(stream.GetAddressOf())) &&
        SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
        SUCCEEDED(
            factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.GetAddressOf())) &&
        SUCCEEDED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) &&
        SUCCEEDED(encoder->CreateNewFrame(frame.GetAddressOf(), options.GetAddressOf())) &&
        SUCCEEDED(frame->Initialize(options.Get())) &&
        SUCCEEDED(frame->SetSize(static_cast<UINT>(width_), static_cast<UINT>(height_))) &&
        SUCCEEDED(frame->SetPixelFormat(&format)) &&
        SUCCEEDED(frame->WriteSource(source.Get(), nullptr)) && SUCCEEDED(frame->Commit()) &&
        SUCCEEDED(encoder->Commit());
    return written;
}

}  // namespace zarnetcalc::demo
