// The stand-in's GDI: DCs and their objects, and the record of what was
// drawn. The window is a made-up HWND value: GetDC does not ask the dialog
// manager about it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "gdi32/gdi_record.h"
#include "platform/posix/windows.h"

namespace {

const DWORD kUnset = 0xdeadbeef;
const HWND kWindow = reinterpret_cast<HWND>(uintptr_t(0x1234));

std::vector<std::string> TakeDescriptions() {
  std::vector<std::string> lines;
  for (const GdiOperation& operation : TakeGdiRecord())
    lines.push_back(DescribeGdiOperation(operation));
  return lines;
}

bool SameLiveCounts(const GdiLiveObjects& a, const GdiLiveObjects& b) {
  return a.deviceContexts == b.deviceContexts && a.createdObjects == b.createdObjects;
}

}  // namespace

// The progress bar's drawing: frame, fill with a coloured brush and the
// null pen, everything put back.
TEST(StandInGdi, ProgressDrawingIsRecorded) {
  TakeGdiRecord();
  GdiLiveObjects before = CountGdiLiveObjects();

  HDC dc = GetDC(kWindow);
  ASSERT_NE(nullptr, dc);
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
  EXPECT_EQ(GetStockObject(BLACK_PEN), oldPen) << "a DC starts with the black pen";
  RECT frame = {0, 250, 300, 274};
  EXPECT_TRUE(DrawEdge(dc, &frame, EDGE_BUMP, BF_RECT));
  HBRUSH brush = CreateSolidBrush(RGB(0, 255, 0));
  ASSERT_NE(nullptr, brush);
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  EXPECT_EQ(GetStockObject(WHITE_BRUSH), oldBrush) << "a DC starts with the white brush";
  EXPECT_TRUE(Rectangle(dc, 2, 252, 101, 273));
  EXPECT_EQ(GetStockObject(NULL_PEN), SelectObject(dc, oldPen));
  EXPECT_EQ(brush, SelectObject(dc, oldBrush));
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_EQ(1, ReleaseDC(kWindow, dc));

  std::vector<std::string> expected = {
      "DrawEdge window=0x1234 (0,250)-(300,274) edge=0x9 flags=0xf",
      "Rectangle window=0x1234 (2,252)-(101,273) pen=null brush=00ff00",
  };
  EXPECT_EQ(expected, TakeDescriptions());
  EXPECT_TRUE(SameLiveCounts(before, CountGdiLiveObjects())) << "nothing left behind";
}

TEST(StandInGdi, RectangleTakesTheSelectedPenAndBrush) {
  TakeGdiRecord();
  HDC dc = GetDC(kWindow);
  ASSERT_NE(nullptr, dc);
  struct Case {
    int pen, brush;
    const char* drawn;
  } cases[] = {
      {BLACK_PEN, WHITE_BRUSH, "Rectangle window=0x1234 (1,2)-(3,4) pen=000000 brush=ffffff"},
      {WHITE_PEN, NULL_BRUSH, "Rectangle window=0x1234 (1,2)-(3,4) pen=ffffff brush=null"},
      {NULL_PEN, NULL_BRUSH, "Rectangle window=0x1234 (1,2)-(3,4) pen=null brush=null"},
  };
  for (const Case& c : cases) {
    SelectObject(dc, GetStockObject(c.pen));
    SelectObject(dc, GetStockObject(c.brush));
    ASSERT_TRUE(Rectangle(dc, 1, 2, 3, 4));
    std::vector<std::string> drawn = TakeDescriptions();
    EXPECT_EQ(std::vector<std::string>{c.drawn}, drawn);
  }
  EXPECT_EQ(1, ReleaseDC(kWindow, dc));
}

TEST(StandInGdi, DeleteObjectRefusesOnlyWhatIsSelected) {
  HDC dc = GetDC(kWindow);
  HBRUSH brush = CreateSolidBrush(RGB(255, 0, 0));
  HGDIOBJ oldBrush = SelectObject(dc, brush);

  // Stock objects: TRUE and still usable, as on Windows.
  EXPECT_TRUE(DeleteObject(GetStockObject(NULL_PEN)));
  EXPECT_EQ(GetStockObject(BLACK_PEN), SelectObject(dc, GetStockObject(NULL_PEN)));

  // Selected into a live DC: refused, as DeleteObject is documented.
  SetLastError(kUnset);
  EXPECT_FALSE(DeleteObject(brush));
  EXPECT_EQ(DWORD(ERROR_BUSY), GetLastError());
  EXPECT_EQ(brush, SelectObject(dc, oldBrush)) << "still valid";
  EXPECT_TRUE(DeleteObject(brush));
  SetLastError(kUnset);
  EXPECT_FALSE(DeleteObject(brush)) << "deleted twice";
  EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());

  // An object left selected is free again once its DC is released.
  HBRUSH left = CreateSolidBrush(RGB(1, 2, 3));
  SelectObject(dc, left);
  EXPECT_EQ(1, ReleaseDC(kWindow, dc));
  EXPECT_TRUE(DeleteObject(left));
}

TEST(StandInGdi, ReleasedOrUnknownDcIsInvalid) {
  HDC dc = GetDC(kWindow);
  HDC other = GetDC(kWindow);
  EXPECT_NE(dc, other) << "each GetDC gives a DC of its own";
  EXPECT_EQ(0, ReleaseDC(reinterpret_cast<HWND>(uintptr_t(0x5678)), dc)) << "another window";
  EXPECT_EQ(1, ReleaseDC(kWindow, dc));
  EXPECT_EQ(1, ReleaseDC(kWindow, other));
  RECT r = {0, 0, 1, 1};
  for (HDC bad : {HDC(nullptr), dc}) {
    SCOPED_TRACE(testing::Message() << "dc " << static_cast<void*>(bad));
    SetLastError(kUnset);
    EXPECT_EQ(nullptr, SelectObject(bad, GetStockObject(BLACK_PEN)));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());  // as on Windows for a null DC
    SetLastError(kUnset);
    EXPECT_FALSE(Rectangle(bad, 0, 0, 1, 1));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
    SetLastError(kUnset);
    EXPECT_FALSE(DrawEdge(bad, &r, EDGE_BUMP, BF_RECT));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
    SetLastError(kUnset);
    EXPECT_EQ(0, ReleaseDC(kWindow, bad));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
  }
}

TEST(StandInGdi, WindowDcIsA96DpiScreen) {
  HDC dc = GetDC(kWindow);
  struct Case {
    int index, value;
  } cases[] = {{HORZRES, 1024}, {VERTRES, 768}, {HORZSIZE, 271}, {VERTSIZE, 203}};
  for (const Case& c : cases) EXPECT_EQ(c.value, GetDeviceCaps(dc, c.index)) << "index " << c.index;
  EXPECT_EQ(1, ReleaseDC(kWindow, dc));
}

TEST(StandInGdi, FontsAreKeptAndSelected) {
  HDC dc = GetDC(kWindow);
  LOGFONTA system;
  ASSERT_TRUE(GdiSelectedFont(dc, &system));
  EXPECT_STREQ("System", system.lfFaceName) << "a DC starts with the system font";

  LOGFONTA wanted;
  memset(&wanted, 0, sizeof wanted);
  wanted.lfHeight = 14;
  wanted.lfWidth = 9;
  wanted.lfWeight = FW_NORMAL;
  wanted.lfPitchAndFamily = FIXED_PITCH;
  strcpy(wanted.lfFaceName, "Fixedsys");
  HFONT font = CreateFontIndirectA(&wanted);
  ASSERT_NE(nullptr, font);
  HGDIOBJ oldFont = SelectObject(dc, font);
  LOGFONTA selected;
  ASSERT_TRUE(GdiSelectedFont(dc, &selected));
  EXPECT_EQ(0, memcmp(&wanted, &selected, sizeof wanted));
  EXPECT_EQ(font, SelectObject(dc, oldFont));
  EXPECT_TRUE(DeleteObject(font));
  EXPECT_EQ(1, ReleaseDC(kWindow, dc));
}

// The worker draws while the dialog thread repaints: each thread's
// operations arrive whole and in its own order.
TEST(StandInGdi, TwoThreadsDrawingKeepTheirOrder) {
  TakeGdiRecord();
  const int kEach = 500;
  auto draw = [](int thread) {
    HWND window = reinterpret_cast<HWND>(uintptr_t(0x1000 + thread));
    for (int i = 0; i < kEach; i++) {
      HDC dc = GetDC(window);
      HBRUSH brush = CreateSolidBrush(RGB(thread, 0, 0));
      HGDIOBJ old = SelectObject(dc, brush);
      Rectangle(dc, i, 0, i + 1, 1);
      SelectObject(dc, old);
      DeleteObject(brush);
      ReleaseDC(window, dc);
    }
  };
  std::thread first(draw, 1), second(draw, 2);
  first.join();
  second.join();

  int next[3] = {0, 0, 0};
  for (const GdiOperation& operation : TakeGdiRecord()) {
    int thread = int(uintptr_t(operation.window) - 0x1000);
    ASSERT_TRUE(thread == 1 || thread == 2) << DescribeGdiOperation(operation);
    EXPECT_EQ(RGB(thread, 0, 0), operation.brushColour) << DescribeGdiOperation(operation);
    EXPECT_EQ(next[thread], operation.rect.left) << DescribeGdiOperation(operation);
    next[thread]++;
  }
  EXPECT_EQ(kEach, next[1]);
  EXPECT_EQ(kEach, next[2]);
}
