// SPDX-License-Identifier: MIT
#include "preview_window.h"

#include "com_ptr.h"
#include "dpi.h"
#include "plot_painter.h"
#include "text.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>
#include <wincodec.h>
#include <windowsx.h>

namespace scanmill::win32 {

namespace {

constexpr wchar_t previewClass[] = L"ScanmillPreview";
// At 96 dpi; the SVG's page is as large.
constexpr int startWidth = 800;
constexpr int startHeight = 500;
constexpr int leastWidth = 240;
constexpr int leastHeight = 180;
constexpr WPARAM ctrlS = 0x13;
constexpr WPARAM ctrlC = 0x03;

struct Preview {
    Preview(PreviewPlot shown, Dialogs asked) : plot(std::move(shown)), dialogs(std::move(asked)) {}

    PreviewPlot plot;
    Dialogs dialogs;
    UINT dpi = USER_DEFAULT_SCREEN_DPI;
    bool tracking = false;      // the system tells when the cursor leaves
    bool ownedByWindow = false; // once made: freed as the window goes
};

Preview* previewOf(HWND window) {
    return reinterpret_cast<Preview*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// Paints the plot into dc over client, placed by plot; with the read-out
// line or, for a picture, without.
void paintInto(HDC dc, PreviewPlot& plot, const RECT& client, UINT dpi, bool readout) {
    const PlotFont font(dc, dpi);
    PlacedPlot placed =
        plot.place({0, 0, static_cast<double>(client.right), static_cast<double>(client.bottom)},
                   font.fonts(), dpi / 96.0, 1);
    if (!readout) {
        placed.readout.clear();
    }
    paintPlot(dc, placed, client, dpi);
}

// Drawn off screen first, so that a resize does not flicker.
void paint(HWND window, Preview& preview) {
    PAINTSTRUCT paint{};
    const HDC dc = BeginPaint(window, &paint);
    RECT client{};
    GetClientRect(window, &client);
    const HDC buffer = CreateCompatibleDC(dc);
    const HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
    const HGDIOBJ previous = SelectObject(buffer, bitmap);
    paintInto(buffer, preview.plot, client, preview.dpi, true);
    if (const std::optional<AxisRange> band = preview.plot.band()) {
        const PlotRect& frame = preview.plot.frame();
        const RECT dragged{static_cast<LONG>(band->low), static_cast<LONG>(frame.top),
                           static_cast<LONG>(band->high) + 1,
                           static_cast<LONG>(frame.top + frame.height) + 1};
        DrawFocusRect(buffer, &dragged);
    }
    BitBlt(dc, 0, 0, client.right, client.bottom, buffer, 0, 0, SRCCOPY);
    SelectObject(buffer, previous);
    DeleteObject(bitmap);
    DeleteDC(buffer);
    EndPaint(window, &paint);
}

// The view as the window shows it, without the read-out line: 32-bit
// pixels, top row first.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

Picture pictureOf(HWND window, const Preview& preview) {
    RECT client{};
    GetClientRect(window, &client);
    Picture picture{std::max<int>(client.right, 1), std::max<int>(client.bottom, 1), {}};
    BITMAPINFO info{};
    info.bmiHeader = {
        sizeof(BITMAPINFOHEADER), picture.width, -picture.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HDC dc = CreateCompatibleDC(nullptr);
    const HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) {
        DeleteDC(dc);
        return {};
    }
    const HGDIOBJ previous = SelectObject(dc, bitmap);
    // Placed on a copy, so that the window's own frame stays for its events.
    PreviewPlot plot = preview.plot;
    paintInto(dc, plot, client, preview.dpi, false);
    GdiFlush();
    const auto* first = static_cast<const std::uint32_t*>(bits);
    picture.pixels.assign(first, first + static_cast<std::size_t>(picture.width) *
                                             static_cast<std::size_t>(picture.height));
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return picture;
}

// The picture as a PNG file's bytes, encoded by the system's WIC; none
// where it fails.
std::optional<std::string> pngOf(const Picture& picture) {
    IWICImagingFactory* factory = nullptr;
    if (picture.pixels.empty() ||
        FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&factory)))) {
        return std::nullopt;
    }
    const ComPtr<IWICImagingFactory> madeBy(factory);
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream))) {
        return std::nullopt;
    }
    const ComPtr<IStream> held(stream);
    IWICBitmapEncoder* encoder = nullptr;
    if (FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder))) {
        return std::nullopt;
    }
    const ComPtr<IWICBitmapEncoder> encoding(encoder);
    IWICBitmapFrameEncode* frame = nullptr;
    if (FAILED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) ||
        FAILED(encoder->CreateNewFrame(&frame, nullptr))) {
        return std::nullopt;
    }
    const ComPtr<IWICBitmapFrameEncode> framing(frame);
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
    const UINT stride = static_cast<UINT>(picture.width) * 4;
    const UINT size = stride * static_cast<UINT>(picture.height);
    auto* bytes = reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(picture.pixels.data()));
    if (FAILED(frame->Initialize(nullptr)) ||
        FAILED(
            frame->SetSize(static_cast<UINT>(picture.width), static_cast<UINT>(picture.height))) ||
        FAILED(frame->SetPixelFormat(&format)) || format != GUID_WICPixelFormat32bppBGR ||
        FAILED(frame->WritePixels(static_cast<UINT>(picture.height), stride, size, bytes)) ||
        FAILED(frame->Commit()) || FAILED(encoder->Commit())) {
        return std::nullopt;
    }
    HGLOBAL memory = nullptr;
    STATSTG status{};
    if (FAILED(GetHGlobalFromStream(stream, &memory)) ||
        FAILED(stream->Stat(&status, STATFLAG_NONAME))) {
        return std::nullopt;
    }
    const auto* data = static_cast<const char*>(GlobalLock(memory));
    std::string png(data, static_cast<std::size_t>(status.cbSize.QuadPart));
    GlobalUnlock(memory);
    return png;
}

void save(HWND window, const Preview& preview) {
    const std::optional<std::wstring> path =
        preview.dialogs.choosePicturePath(window, wide(preview.plot.pictureName()));
    if (!path) {
        return;
    }
    const std::string named = utf8(*path);
    std::optional<std::string> bytes;
    if (savesPng(named)) {
        bytes = pngOf(pictureOf(window, preview));
    } else {
        // In units of a pixel at 100 %, as the window shows it.
        RECT client{};
        GetClientRect(window, &client);
        bytes = preview.plot.svg({MulDiv(client.right, 96, static_cast<int>(preview.dpi)),
                                  MulDiv(client.bottom, 96, static_cast<int>(preview.dpi))});
    }
    const std::optional<std::string> failed =
        bytes ? savePicture(named, *bytes) : std::optional<std::string>(pngFailedText);
    if (failed) {
        preview.dialogs.showMessage(window, wide(*failed));
    }
}

// Onto the clipboard as a device-independent bitmap, bottom row first.
void copy(HWND window, const Preview& preview) {
    const Picture picture = pictureOf(window, preview);
    const std::size_t row = static_cast<std::size_t>(picture.width);
    const std::size_t size = sizeof(BITMAPINFOHEADER) + picture.pixels.size() * 4;
    const HGLOBAL memory = picture.pixels.empty() ? nullptr : GlobalAlloc(GMEM_MOVEABLE, size);
    if (!memory) {
        return;
    }
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(memory));
    *header = {
        sizeof(BITMAPINFOHEADER), picture.width, picture.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    auto* pixels = reinterpret_cast<std::uint32_t*>(header + 1);
    for (int y = 0; y < picture.height; ++y) {
        std::copy_n(picture.pixels.data() + static_cast<std::size_t>(picture.height - 1 - y) * row,
                    row, pixels + static_cast<std::size_t>(y) * row);
    }
    GlobalUnlock(memory);
    if (!OpenClipboard(window)) {
        GlobalFree(memory);
        return;
    }
    EmptyClipboard();
    if (!SetClipboardData(CF_DIB, memory)) {
        GlobalFree(memory);
    }
    CloseClipboard();
}

std::optional<PreviewKey> previewKeyOf(WPARAM key) {
    switch (key) {
    case 'L':
        return PreviewKey::Linear;
    case 'S':
        return PreviewKey::SquareRoot;
    case 'G':
        return PreviewKey::Log;
    case VK_LEFT:
        return PreviewKey::Left;
    case VK_RIGHT:
        return PreviewKey::Right;
    case VK_UP:
        return PreviewKey::Up;
    case VK_DOWN:
        return PreviewKey::Down;
    case VK_OEM_PLUS:
    case VK_ADD:
        return PreviewKey::ZoomIn;
    case VK_OEM_MINUS:
    case VK_SUBTRACT:
        return PreviewKey::ZoomOut;
    case VK_HOME:
        return PreviewKey::ShowAll;
    default:
        return std::nullopt;
    }
}

void repaintIf(HWND window, bool changed) {
    if (changed) {
        InvalidateRect(window, nullptr, FALSE);
    }
}

LRESULT CALLBACK previewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(
                              reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams));
    }
    Preview* preview = previewOf(window);
    if (!preview) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    PreviewPlot& plot = preview->plot;
    const double x = GET_X_LPARAM(lParam);
    const double y = GET_Y_LPARAM(lParam);
    switch (message) {
    case WM_CREATE: {
        // Sized once it knows its monitor's DPI.
        preview->dpi = dpiOf(window);
        SetWindowPos(window, nullptr, 0, 0, MulDiv(startWidth, preview->dpi, 96),
                     MulDiv(startHeight, preview->dpi, 96),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_PAINT:
        paint(window, *preview);
        return 0;
    case WM_ERASEBKGND:
        return 1; // the plot paints all of it
    case WM_KEYDOWN: {
        if (wParam == VK_ESCAPE) {
            DestroyWindow(window);
        } else if (const std::optional<PreviewKey> key = previewKeyOf(wParam);
                   key && (GetKeyState(VK_CONTROL) >= 0 || key == PreviewKey::ZoomIn ||
                           key == PreviewKey::ZoomOut)) {
            // + and - zoom with Ctrl too, as they do in other programs.
            repaintIf(window, plot.key(*key));
        } else {
            break;
        }
        return 0;
    }
    case WM_CHAR:
        // Ctrl+S and Ctrl+C, as the characters they type.
        if (wParam == ctrlS) {
            save(window, *preview);
            return 0;
        }
        if (wParam == ctrlC) {
            copy(window, *preview);
            return 0;
        }
        break;
    case WM_MOUSEWHEEL: {
        POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; // on the screen
        ScreenToClient(window, &at);
        repaintIf(window,
                  plot.wheel(at.x, at.y, GET_WHEEL_DELTA_WPARAM(wParam) / double(WHEEL_DELTA),
                             (GET_KEYSTATE_WPARAM(wParam) & MK_SHIFT) != 0));
        return 0;
    }
    case WM_LBUTTONDOWN:
        SetCapture(window);
        repaintIf(window, plot.pressed(x, y));
        return 0;
    case WM_MOUSEMOVE:
        if (!preview->tracking) {
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window, 0};
            preview->tracking = TrackMouseEvent(&track) != FALSE;
        }
        repaintIf(window, plot.moved(x, y));
        return 0;
    case WM_LBUTTONUP:
        ReleaseCapture();
        repaintIf(window, plot.released(x, y));
        return 0;
    case WM_LBUTTONDBLCLK:
        repaintIf(window, plot.doubleClicked(x, y));
        return 0;
    case WM_MOUSELEAVE:
        preview->tracking = false;
        repaintIf(window, plot.left());
        return 0;
    case WM_GETMINMAXINFO: {
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize = {MulDiv(leastWidth, preview->dpi, 96),
                                  MulDiv(leastHeight, preview->dpi, 96)};
        return 0;
    }
    case WM_DPICHANGED: {
        preview->dpi = HIWORD(wParam);
        const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window, nullptr, suggested.left, suggested.top,
                     suggested.right - suggested.left, suggested.bottom - suggested.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    }
    case WM_NCDESTROY:
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        if (preview->ownedByWindow) {
            delete preview;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void registerPreviewClass(HINSTANCE instance) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(instance, previewClass, &existing)) {
        return;
    }
    WNDCLASSEXW info{};
    info.cbSize = sizeof info;
    // Redrawn whole when resized: the plot is laid out for the new size.
    info.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    info.lpfnWndProc = previewProc;
    info.hInstance = instance;
    // The program's icon is resource 1; test programs have none.
    info.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    info.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    info.lpszClassName = previewClass;
    RegisterClassExW(&info);
}

BOOL CALLBACK closeIfPreview(HWND window, LPARAM) {
    if (previewIn(window)) {
        DestroyWindow(window);
    }
    return TRUE;
}

} // namespace

HWND openPreviewWindow(PreviewPlot plot, Dialogs dialogs) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    registerPreviewClass(instance);
    auto preview = std::make_unique<Preview>(std::move(plot), std::move(dialogs));
    const std::wstring caption = wide(preview->plot.caption());
    const HWND window = CreateWindowExW(0, previewClass, caption.c_str(), WS_OVERLAPPEDWINDOW,
                                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                        nullptr, nullptr, instance, preview.get());
    if (!window) {
        return nullptr;
    }
    preview.release()->ownedByWindow = true;
    ShowWindow(window, SW_SHOWNORMAL);
    return window;
}

const PreviewPlot* previewIn(HWND window) {
    wchar_t name[32] = {};
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    if (lstrcmpW(name, previewClass) != 0) {
        return nullptr;
    }
    const Preview* preview = previewOf(window);
    return preview ? &preview->plot : nullptr;
}

void closePreviewWindows() {
    EnumThreadWindows(GetCurrentThreadId(), closeIfPreview, 0);
}

} // namespace scanmill::win32
