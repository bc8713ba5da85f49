// GDI objects and device contexts: stock objects, brushes and fonts,
// SelectObject and DeleteObject; window DCs (GetDC, ReleaseDC) and
// GetDeviceCaps. Printer DCs are made by the print dialog (print_*.cpp).
//
// Windows facts followed here:
// - A new DC has the black pen, the white brush and the system font
//   selected; SelectObject returns the object of the same kind it replaces.
// - DeleteObject on a stock object does nothing and returns TRUE.
// - DeleteObject on an object still selected into a DC returns zero, as the
//   function is documented; the object stays valid. Windows names no error
//   for it; the stand-in sets ERROR_BUSY.
// - A window DC describes the screen; the stand-in's screen is 1024 x 768
//   pixels at 96 dots per inch, 271 x 203 mm.
#include <cstdio>
#include <mutex>
#include <unordered_set>

#include "gdi32/gdi_record.h"
#include "kernel32/standin.h"

namespace {

enum GdiObjectKind { kGdiPen, kGdiBrush, kGdiFont };

struct GdiObject {
  GdiObjectKind kind;
  bool stock;
  bool null;        // the null pen or the null brush: draws nothing
  COLORREF colour;  // pens and brushes
  LOGFONTA font;    // fonts
  int selections;   // slots of live DCs holding it
};

struct DeviceContext {
  GdiDeviceKind device;
  HWND window;  // window DCs
  GdiDeviceCaps caps;
  GdiObject* pen;
  GdiObject* brush;
  GdiObject* font;
};

const GdiDeviceCaps kScreenCaps = {1024, 768, 271, 203, 96, 96};

// Windows' stock object numbers, SYSTEM_FONT being the DCs' first font.
const int kSystemFontIndex = 13;

struct GdiState {
  std::mutex lock;
  GdiObject whiteBrush, nullBrush, whitePen, blackPen, nullPen, systemFont;
  std::unordered_set<GdiObject*> created;
  std::unordered_set<DeviceContext*> contexts;

  GdiState()
      : whiteBrush{kGdiBrush, true, false, RGB(255, 255, 255), {}, 0},
        nullBrush{kGdiBrush, true, true, 0, {}, 0},
        whitePen{kGdiPen, true, false, RGB(255, 255, 255), {}, 0},
        blackPen{kGdiPen, true, false, RGB(0, 0, 0), {}, 0},
        nullPen{kGdiPen, true, true, 0, {}, 0},
        systemFont{kGdiFont, true, false, 0, {}, 0} {
    // The bold proportional "System" font of 16 pixels.
    LOGFONTA& font = systemFont.font;
    font.lfHeight = 16;
    font.lfWidth = 7;
    font.lfWeight = FW_BOLD;
    font.lfCharSet = ANSI_CHARSET;
    font.lfPitchAndFamily = VARIABLE_PITCH | 0x20;  // FF_SWISS
    snprintf(font.lfFaceName, LF_FACESIZE, "System");
  }

  GdiObject* Stock(int index) {
    switch (index) {
      case WHITE_BRUSH: return &whiteBrush;
      case NULL_BRUSH: return &nullBrush;
      case WHITE_PEN: return &whitePen;
      case BLACK_PEN: return &blackPen;
      case NULL_PEN: return &nullPen;
      case kSystemFontIndex: return &systemFont;
      default: return nullptr;
    }
  }
};

// Never destroyed: the worker may draw while the process ends.
GdiState& State() {
  static GdiState* state = new GdiState;
  return *state;
}

// With the lock held: the object behind a handle, or null.
GdiObject* FindObjectLocked(GdiState& state, HGDIOBJ handle) {
  GdiObject* object = static_cast<GdiObject*>(handle);
  for (int index : {WHITE_BRUSH, NULL_BRUSH, WHITE_PEN, BLACK_PEN, NULL_PEN, kSystemFontIndex})
    if (object == state.Stock(index)) return object;
  return state.created.count(object) != 0 ? object : nullptr;
}

DeviceContext* FindContextLocked(GdiState& state, HDC dc) {
  DeviceContext* context = reinterpret_cast<DeviceContext*>(dc);
  return state.contexts.count(context) != 0 ? context : nullptr;
}

GdiObject** SlotOf(DeviceContext* context, GdiObjectKind kind) {
  switch (kind) {
    case kGdiPen: return &context->pen;
    case kGdiBrush: return &context->brush;
    case kGdiFont: return &context->font;
  }
  return nullptr;
}

HGDIOBJ NewObject(const GdiObject& object) {
  GdiState& state = State();
  GdiObject* created = new GdiObject(object);
  std::lock_guard<std::mutex> hold(state.lock);
  state.created.insert(created);
  return created;
}

}  // namespace

HDC NewDeviceContext(GdiDeviceKind device, HWND window, const GdiDeviceCaps& caps) {
  GdiState& state = State();
  DeviceContext* context =
      new DeviceContext{device, window, caps, &state.blackPen, &state.whiteBrush, &state.systemFont};
  std::lock_guard<std::mutex> hold(state.lock);
  state.contexts.insert(context);
  for (GdiObject* object : {context->pen, context->brush, context->font}) object->selections++;
  return reinterpret_cast<HDC>(context);
}

bool FreeDeviceContext(HDC dc) {
  GdiState& state = State();
  DeviceContext* context;
  {
    std::lock_guard<std::mutex> hold(state.lock);
    context = FindContextLocked(state, dc);
    if (context == nullptr) {
      SetLastError(ERROR_INVALID_HANDLE);
      return false;
    }
    state.contexts.erase(context);
    // The objects it held may now be deleted.
    for (GdiObject* object : {context->pen, context->brush, context->font}) object->selections--;
  }
  delete context;
  return true;
}

bool RecordGdiOperation(HDC dc, GdiOperation operation) {
  GdiState& state = State();
  {
    std::lock_guard<std::mutex> hold(state.lock);
    DeviceContext* context = FindContextLocked(state, dc);
    if (context == nullptr) {
      SetLastError(ERROR_INVALID_HANDLE);
      return false;
    }
    if (!GdiDrawingWatched()) return true;  // nobody looks: nothing to keep
    operation.device = context->device;
    operation.window = context->window;
    operation.nullPen = context->pen->null;
    operation.penColour = context->pen->colour;
    operation.nullBrush = context->brush->null;
    operation.brushColour = context->brush->colour;
    operation.font = context->font->font;
  }
  AppendGdiOperation(operation);
  return true;
}

bool GdiSelectedFont(HDC dc, LOGFONTA* font) {
  GdiState& state = State();
  std::lock_guard<std::mutex> hold(state.lock);
  DeviceContext* context = FindContextLocked(state, dc);
  if (context == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  *font = context->font->font;
  return true;
}

bool GdiDeviceOf(HDC dc, GdiDeviceKind* device) {
  GdiState& state = State();
  std::lock_guard<std::mutex> hold(state.lock);
  DeviceContext* context = FindContextLocked(state, dc);
  if (context == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  *device = context->device;
  return true;
}

GdiLiveObjects CountGdiLiveObjects() {
  GdiState& state = State();
  std::lock_guard<std::mutex> hold(state.lock);
  return GdiLiveObjects{int(state.contexts.size()), int(state.created.size())};
}

HGDIOBJ GetStockObject(int object) {
  GdiObject* stock = object == kSystemFontIndex ? nullptr : State().Stock(object);
  if (stock == nullptr)
    StandInUnsupported("GetStockObject", "a stock object other than WHITE_BRUSH, NULL_BRUSH, "
                                         "WHITE_PEN, BLACK_PEN or NULL_PEN");
  return stock;
}

HBRUSH CreateSolidBrush(COLORREF colour) {
  // The top byte selects palette colours (PALETTEINDEX, PALETTERGB).
  if ((colour >> 24) != 0) StandInUnsupported("CreateSolidBrush", "a palette colour");
  return NewObject(GdiObject{kGdiBrush, false, false, colour, {}, 0});
}

HFONT CreateFontIndirectA(const LOGFONTA* font) {
  if (font == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return NewObject(GdiObject{kGdiFont, false, false, 0, *font, 0});
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  GdiState& state = State();
  std::lock_guard<std::mutex> hold(state.lock);
  DeviceContext* context = FindContextLocked(state, dc);
  GdiObject* selected = FindObjectLocked(state, object);
  if (context == nullptr || selected == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  GdiObject** slot = SlotOf(context, selected->kind);
  GdiObject* previous = *slot;
  *slot = selected;
  selected->selections++;
  previous->selections--;
  return previous;
}

BOOL DeleteObject(HGDIOBJ object) {
  GdiState& state = State();
  GdiObject* found;
  {
    std::lock_guard<std::mutex> hold(state.lock);
    found = FindObjectLocked(state, object);
    if (found == nullptr) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    if (found->stock) return TRUE;
    if (found->selections > 0) {
      SetLastError(ERROR_BUSY);
      return FALSE;
    }
    state.created.erase(found);
  }
  delete found;
  return TRUE;
}

HDC GetDC(HWND window) {
  if (window == nullptr) StandInUnsupported("GetDC", "the screen's DC (a null window)");
  return NewDeviceContext(kGdiWindowDevice, window, kScreenCaps);
}

int ReleaseDC(HWND window, HDC dc) {
  {
    GdiState& state = State();
    std::lock_guard<std::mutex> hold(state.lock);
    DeviceContext* context = FindContextLocked(state, dc);
    if (context == nullptr || context->device != kGdiWindowDevice || context->window != window) {
      SetLastError(ERROR_INVALID_HANDLE);
      return 0;
    }
  }
  return FreeDeviceContext(dc) ? 1 : 0;
}

int GetDeviceCaps(HDC dc, int index) {
  GdiState& state = State();
  std::lock_guard<std::mutex> hold(state.lock);
  DeviceContext* context = FindContextLocked(state, dc);
  if (context == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  switch (index) {
    case HORZRES: return context->caps.horzRes;
    case VERTRES: return context->caps.vertRes;
    case HORZSIZE: return context->caps.horzSizeMm;
    case VERTSIZE: return context->caps.vertSizeMm;
    case LOGPIXELSX: return context->caps.logPixelsX;
    case LOGPIXELSY: return context->caps.logPixelsY;
  }
  StandInUnsupported("GetDeviceCaps",
                     "an index other than HORZRES, VERTRES, HORZSIZE, VERTSIZE, LOGPIXELSX, LOGPIXELSY");
}
