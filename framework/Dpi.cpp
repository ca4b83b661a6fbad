#include "Dpi.h"

#include "Module.h"

namespace {

// A function of user32 that older Windows lacks; null there. user32 is
// loaded in every process with a window.
template <class Function>
Function User32(const char* name) {
    return ProcAddress<Function>(::GetModuleHandleW(L"user32.dll"), name);
}

}  // namespace

UINT SystemDpi() {
    static const UINT dpi = [] {
        HDC screen = ::GetDC(nullptr);
        const int found = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 0;
        if (screen) ::ReleaseDC(nullptr, screen);
        return found > 0 ? static_cast<UINT>(found) : Scale::kBase;
    }();
    return dpi;
}

UINT DpiOfWindow(HWND window) {
    static const auto forWindow = User32<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    const UINT dpi = forWindow && window ? forWindow(window) : 0;
    return dpi ? dpi : SystemDpi();
}

int MetricAtDpi(int index, UINT dpi) {
    static const auto forDpi = User32<int(WINAPI*)(int, UINT)>("GetSystemMetricsForDpi");
    if (forDpi) return forDpi(index, dpi);
    return Scale{dpi}.From(SystemDpi(), ::GetSystemMetrics(index));
}

LOGFONTW MenuFontAtDpi(UINT dpi) {
    static const auto forDpi = User32<BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT)>("SystemParametersInfoForDpi");
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (forDpi && forDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi)) return metrics.lfMenuFont;
    ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    Scale{dpi}.Rescale(metrics.lfMenuFont, SystemDpi());
    return metrics.lfMenuFont;
}
