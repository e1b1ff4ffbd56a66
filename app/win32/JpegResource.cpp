#include "app/win32/JpegResource.h"

#include "common/win32/ComApartment.h"
#include "common/win32/SystemMessage.h"

#include <wincodec.h>

#include <stdexcept>
#include <string>

namespace quill {
namespace {

void Check(HRESULT result, const char* what) {
    if (FAILED(result)) {
        throw std::runtime_error(std::string(what) + " (" + SystemMessage(static_cast<unsigned long>(result)) + ")");
    }
}

struct TPicture {
    const BYTE* Data;
    DWORD Size;
};

TPicture FindPicture(HINSTANCE instance, int id) {
    const HRSRC resource = ::FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10)); // RT_RCDATA
    const HGLOBAL loaded = resource != nullptr ? ::LoadResource(instance, resource) : nullptr;
    const void* data = loaded != nullptr ? ::LockResource(loaded) : nullptr;
    if (data == nullptr) {
        throw std::runtime_error("The picture is missing from the program's resources.");
    }
    return {static_cast<const BYTE*>(data), ::SizeofResource(instance, resource)};
}

} // namespace

TUniqueGdiObject LoadJpegResource(HINSTANCE instance, int id) {
    const TPicture picture = FindPicture(instance, id);
    const TComApartment apartment;
    TComPtr<IWICImagingFactory> factory;
    Check(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                             reinterpret_cast<void**>(factory.Put())),
          "Cannot create the picture decoder");
    TComPtr<IWICStream> stream;
    Check(factory.Get()->CreateStream(stream.Put()), "Cannot read the picture");
    Check(stream.Get()->InitializeFromMemory(const_cast<BYTE*>(picture.Data), picture.Size), "Cannot read the picture");
    TComPtr<IWICBitmapDecoder> decoder;
    Check(factory.Get()->CreateDecoderFromStream(stream.Get(), &GUID_ContainerFormatJpeg,
                                                 WICDecodeMetadataCacheOnDemand, decoder.Put()),
          "Cannot decode the picture");
    TComPtr<IWICBitmapFrameDecode> frame;
    Check(decoder.Get()->GetFrame(0, frame.Put()), "Cannot decode the picture");
    // Three bytes a pixel: without an alpha channel the static control shows
    // the bitmap itself instead of a copy of its own.
    TComPtr<IWICBitmapSource> pixels;
    Check(::WICConvertBitmapSource(GUID_WICPixelFormat24bppBGR, frame.Get(), pixels.Put()),
          "Cannot convert the picture");
    UINT width = 0;
    UINT height = 0;
    Check(pixels.Get()->GetSize(&width, &height), "Cannot decode the picture");

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height); // top row first, as the decoder delivers
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    TUniqueGdiObject bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || bits == nullptr) {
        throw std::runtime_error("Cannot make a bitmap for the picture.");
    }
    const UINT stride = (width * 3 + 3) & ~3u;
    Check(pixels.Get()->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits)),
          "Cannot decode the picture");
    return bitmap;
}

} // namespace quill
