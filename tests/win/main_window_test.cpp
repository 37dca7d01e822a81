// The Windows window on a small collection, driven through Win32 messages the way the system
// sends them for a user (menu commands, clicks and keys posted to the controls, characters
// typed into the search box) and read back from what the controls show. Every message box is
// answered by the recording desktop.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <oleacc.h>
#include <wincodec.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "about_dialog.h"
#include "com_ptr.h"
#include "control_ids.h"
#include "main_window.h"
#include "menu_bar.h"
#include "new_collection_dialog.h"
#include "options_dialog.h"
#include "pictures.h"
#include "settings/program_options.h"
#include "update_dialog.h"
#include "win/window_test_support.h"

namespace varnimo::win {
namespace {

using test::DemoFolder;

const std::string kScanNotice = "Varnimo will now scan ";
const std::string kSaved = "scanned.dat saved successfully!";
const std::string kSelectFirst = "Please select a ROM first!";
const std::string kRecorder = std::filesystem::absolute(VARNIMO_RECORDER_PATH).string();

using Lines = std::vector<std::string>;

// What a screen reader is told about a control: its name, role and state, from the control's
// client object as MSAA gives it.
struct Spoken {
    std::string name;
    long role = 0;
    long state = 0;
};

// The interface's identity as the header declares it: mingw-w64's static library symbol
// IID_IAccessible holds another GUID, for which oleacc answers E_NOINTERFACE.
const IID kAccessible = __uuidof(IAccessible);

ComPtr<IAccessible> ClientObject(HWND window) {
    ComPtr<IAccessible> object;
    ::AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), kAccessible,
                                 reinterpret_cast<void**>(object.Receive()));
    return object;
}

Spoken SpokenOf(HWND window) {
    Spoken spoken;
    const ComPtr<IAccessible> object = ClientObject(window);
    if (!object) {
        ADD_FAILURE() << "no accessible object for control " << ::GetDlgCtrlID(window);
        return spoken;
    }
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    if (object->get_accName(self, &name) == S_OK && name != nullptr) {
        char bytes[512] = {};
        ::WideCharToMultiByte(CP_ACP, 0, name, -1, bytes, sizeof bytes, nullptr, nullptr);
        spoken.name = bytes;
    }
    ::SysFreeString(name);
    VARIANT value{};
    if (object->get_accRole(self, &value) == S_OK && value.vt == VT_I4) {
        spoken.role = value.lVal;
    }
    ::VariantInit(&value);
    if (object->get_accState(self, &value) == S_OK && value.vt == VT_I4) {
        spoken.state = value.lVal;
    }
    return spoken;
}

// The window an accessible object (a child as AccessibleChildren gives it) stands for.
HWND WindowOf(VARIANT& child) {
    HWND window = nullptr;
    if (child.vt == VT_DISPATCH && child.pdispVal != nullptr) {
        ComPtr<IAccessible> object;
        child.pdispVal->QueryInterface(kAccessible, reinterpret_cast<void**>(object.Receive()));
        if (object) {
            ::WindowFromAccessibleObject(object.Get(), &window);
        }
    }
    ::VariantClear(&child);
    return window;
}

// Every control of ours a screen reader reaches by walking down from `window`'s client object,
// by control id.
void Reach(HWND window, std::map<int, Spoken>& reached) {
    const ComPtr<IAccessible> object = ClientObject(window);
    long count = 0;
    if (!object || object->get_accChildCount(&count) != S_OK || count <= 0) {
        return;
    }
    std::vector<VARIANT> children(static_cast<std::size_t>(count));
    long got = 0;
    ::AccessibleChildren(object.Get(), 0, count, children.data(), &got);
    for (long i = 0; i < got; ++i) {
        HWND child = WindowOf(children[static_cast<std::size_t>(i)]);
        const int id = ::GetDlgCtrlID(child);
        // The list view's own header (id 0) is the list's business.
        if (child != nullptr && id != 0) {
            reached[id] = SpokenOf(child);
            Reach(child, reached);
        }
    }
}

// The focused control as the window's client object tells it.
HWND FocusedControl(HWND window) {
    const ComPtr<IAccessible> object = ClientObject(window);
    VARIANT focus{};
    if (!object || object->get_accFocus(&focus) != S_OK) {
        return nullptr;
    }
    return WindowOf(focus);
}

bool UnderWine() {
    return ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

class WinMainWindow : public ::testing::Test {
  protected:
    void TearDown() override {
        window_.reset();
        test::Pump();
    }

    // Opens the window and waits for its start-up to have filled the list and answered the
    // boxes it showed.
    void Open(DemoFolder::Settings settings = {}) {
        demo_ = std::make_unique<DemoFolder>(settings);
        Create();
        window_->Show();
        ASSERT_TRUE(test::PumpUntil([&] { return started_; }, 60000));
        ASSERT_FALSE(desktop_.boxes.empty());
        ASSERT_EQ(desktop_.boxes.back().text, kSaved);
        desktop_.Clear();
    }
    void Create() {
        window_ = std::make_unique<MainWindow>(
            desktop_, MainWindow::Hooks{.closed = [&] { closed_ = true; },
                                        .started = [&] { started_ = true; }});
    }

    HWND Handle() const { return window_->Handle(); }
    HWND Control(ControlId id) const {
        if (HWND direct = ::GetDlgItem(Handle(), Id(id))) {
            return direct;
        }
        for (ControlId panel : {ControlId::RomCountPanel, ControlId::ScreenshotPanel}) {
            if (HWND inside = ::GetDlgItem(::GetDlgItem(Handle(), Id(panel)), Id(id))) {
                return inside;
            }
        }
        ADD_FAILURE() << "no control " << Id(id);
        return nullptr;
    }
    HWND List() const { return Control(ControlId::TitleList); }
    std::string Caption(ControlId id) const { return test::TextOf(Control(id)); }

    Lines Shown() const {
        Lines lines;
        const int count = static_cast<int>(::SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            lines.push_back(LineText(i));
        }
        return lines;
    }
    std::string LineText(int line) const {
        char text[512] = {};
        LVITEMA item{};
        item.pszText = text;
        item.cchTextMax = sizeof text;
        ::SendMessageA(List(), LVM_GETITEMTEXTA, static_cast<WPARAM>(line),
                       reinterpret_cast<LPARAM>(&item));
        return text;
    }
    int Selected() const {
        return static_cast<int>(
            ::SendMessageA(List(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    }

    // What the system sends for a choice in the menu bar.
    void Menu(int command) { ::SendMessageA(Handle(), WM_COMMAND, MAKEWPARAM(command, 0), 0); }
    void Choose(MenuGroup group, int tag) { Menu(ChoiceCommandId(group, tag)); }
    bool Checked(MenuGroup group, int tag) const {
        return (::GetMenuState(::GetMenu(Handle()), static_cast<UINT>(ChoiceCommandId(group, tag)),
                               MF_BYCOMMAND) &
                MF_CHECKED) != 0;
    }
    int CheckedCount(MenuGroup group, std::initializer_list<int> tags) const {
        int count = 0;
        for (int tag : tags) {
            count += Checked(group, tag);
        }
        return count;
    }

    // Input is posted as the system posts it and handled by a loop like the program's.
    void Settle(int milliseconds = 100) {
        test::PumpUntil([] { return false; }, milliseconds,
                        [&](MSG& message) { return window_->HandleDialogKeys(message); });
    }
    POINT LineCentre(int line) const {
        RECT area{};
        area.left = LVIR_LABEL;
        ::SendMessageA(List(), LVM_GETITEMRECT, static_cast<WPARAM>(line),
                       reinterpret_cast<LPARAM>(&area));
        return {(area.left + area.right) / 2, (area.top + area.bottom) / 2};
    }
    void Click(HWND control, POINT at, bool twice = false) {
        const LPARAM where = MAKELPARAM(at.x, at.y);
        ::PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, where);
        ::PostMessageA(control, WM_LBUTTONUP, 0, where);
        if (twice) {
            ::PostMessageA(control, WM_LBUTTONDBLCLK, MK_LBUTTON, where);
            ::PostMessageA(control, WM_LBUTTONUP, 0, where);
        }
        Settle();
    }
    void ClickLine(int line, bool twice = false) { Click(List(), LineCentre(line), twice); }
    void Press(HWND control, WPARAM key) {
        ::PostMessageA(control, WM_KEYDOWN, key, 1);
        ::PostMessageA(control, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
        Settle();
    }
    void Type(const std::string& text) {
        for (char c : text) {
            ::PostMessageA(Control(ControlId::SearchBox), WM_CHAR, static_cast<unsigned char>(c),
                           1);
        }
        Settle();
    }
    void Push(ControlId button) {
        ::SendMessageA(Control(button), BM_CLICK, 0, 0);
        Settle();
    }

    // The picture the screenshot control shows: its size and the colour of its middle.
    SIZE ScreenSize() const {
        BITMAP shape{};
        ::GetObjectA(ScreenBitmap(), sizeof shape, &shape);
        return {shape.bmWidth, shape.bmHeight};
    }
    HBITMAP ScreenBitmap() const {
        return reinterpret_cast<HBITMAP>(
            ::SendMessageA(Control(ControlId::Screenshot), STM_GETIMAGE, IMAGE_BITMAP, 0));
    }
    std::vector<std::uint32_t> ScreenPixels() const { return PixelsOf(ScreenBitmap()); }
    static std::vector<std::uint32_t> PixelsOf(HBITMAP bitmap) {
        BITMAP shape{};
        ::GetObjectA(bitmap, sizeof shape, &shape);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = shape.bmWidth;
        info.bmiHeader.biHeight = -shape.bmHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(shape.bmWidth) *
                                          static_cast<std::size_t>(shape.bmHeight));
        HDC screen = ::GetDC(nullptr);
        ::GetDIBits(screen, bitmap, 0, static_cast<UINT>(shape.bmHeight), pixels.data(), &info,
                    DIB_RGB_COLORS);
        ::ReleaseDC(nullptr, screen);
        for (std::uint32_t& pixel : pixels) {
            pixel &= 0xFFFFFFu;
        }
        return pixels;
    }
    test::Colour ScreenColour() const {
        const std::vector<std::uint32_t> pixels = ScreenPixels();
        const SIZE size = ScreenSize();
        if (pixels.empty()) {
            return {};
        }
        return test::ColourOf(
            pixels[static_cast<std::size_t>(size.cy / 2 * size.cx + size.cx / 2)]);
    }
    bool WaitForScreen(test::Colour colour) {
        return test::PumpUntil([&] { return test::Near(ScreenColour(), colour); }, 3000);
    }

    // The window's own surface as drawn: the background where no control covers it.
    test::Colour SurfaceAt(int x, int y) const {
        ::RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        HDC dc = ::GetDC(Handle());
        const COLORREF colour = ::GetPixel(dc, x, y);
        ::ReleaseDC(Handle(), dc);
        return {GetRValue(colour), GetGValue(colour), GetBValue(colour)};
    }

    // The recording program stands in for the emulator named `file` in `folder`; it writes
    // started.txt into the working folder, which is the collection's.
    void InstallRecorder(const std::string& folder, const char* file) {
        std::filesystem::copy_file(kRecorder, std::filesystem::path(folder) / file,
                                   std::filesystem::copy_options::overwrite_existing);
    }
    // What the recording program was started with ("count|first"), or "" when it was not
    // started within a few seconds.
    std::string Started() {
        const auto record = demo_->Path("started.txt");
        // The program renames its record into place; it may be seen before it can be opened.
        std::string got;
        test::PumpUntil(
            [&] {
                got = std::filesystem::exists(record) ? test::ReadFile(record) : "";
                return !got.empty() && got != "(missing)";
            },
            5000);
        std::error_code ignored;
        std::filesystem::remove(record, ignored);
        return got;
    }
    // Nothing was started: waits long enough for a start to have shown.
    bool NothingStarted() {
        return !test::PumpUntil([&] { return std::filesystem::exists(demo_->Path("started.txt")); },
                                1500);
    }

    // Runs `act` once on the dialog of `window_class` as soon as it is shown, from inside its
    // modal loop (as a person would act), after `open` has been called; true when the dialog
    // was shown and is gone or hidden again within `milliseconds`.
    static bool DuringDialog(const char* window_class, const std::function<void()>& open,
                             const std::function<void(HWND)>& act, int milliseconds = 10000) {
        static std::function<void()> tick;
        bool acted = false;
        const auto shown = [window_class]() -> HWND {
            HWND dialog = ::FindWindowA(window_class, nullptr);
            return dialog != nullptr && ::IsWindowVisible(dialog) ? dialog : nullptr;
        };
        tick = [&] {
            if (HWND dialog = shown(); dialog != nullptr && !acted) {
                acted = true;
                act(dialog);
            }
        };
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) {
            if (tick) {
                tick();
            }
        });
        open();
        const bool closed =
            test::PumpUntil([&] { return acted && shown() == nullptr; }, milliseconds);
        ::KillTimer(nullptr, timer);
        tick = nullptr;
        return closed;
    }
    bool DuringDialog(const char* window_class, MenuCommand command,
                      const std::function<void(HWND)>& act) {
        return DuringDialog(
            window_class,
            [&] { ::PostMessageA(Handle(), WM_COMMAND, MAKEWPARAM(Id(command), 0), 0); }, act);
    }

    std::unique_ptr<DemoFolder> demo_;
    test::RecordingDesktop desktop_;
    std::unique_ptr<MainWindow> window_;
    bool started_ = false;
    bool closed_ = false;
};

TEST_F(WinMainWindow, OpensAtItsDesignedSizeAndRunsTheStartUpOnce) {
    demo_ = std::make_unique<DemoFolder>();
    Create();
    EXPECT_EQ(::SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0), 0);  // nothing read before shown
    RECT client{};
    ::GetClientRect(Handle(), &client);
    EXPECT_EQ(client.right, 660);
    EXPECT_EQ(client.bottom, 424);
    EXPECT_EQ(::GetWindowLongA(Handle(), GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
    window_->Show();
    ASSERT_TRUE(test::PumpUntil([&] { return started_; }, 60000));
    ASSERT_EQ(desktop_.boxes.size(), 2u) << ::testing::PrintToString(desktop_.Texts());
    EXPECT_EQ(desktop_.boxes[0].text, kScanNotice + demo_->RomPath() +
                                          " for ROMS - please be patient, this could take a while");
    EXPECT_EQ(desktop_.boxes[0].icon, BoxIcon::None);
    EXPECT_EQ(desktop_.boxes[0].title, "Varnimo");
    EXPECT_EQ(desktop_.boxes[1].text, kSaved);
    EXPECT_EQ(desktop_.boxes[1].icon, BoxIcon::Information);

    EXPECT_EQ(Shown(),
              Lines({"Alpha Quest (U)", "beta Racer (E)", "Delta Force (G)", "Gamma Blocks (J)"}));
    EXPECT_EQ(Caption(ControlId::ShowingCounter), "Showing: 4/4");
    EXPECT_TRUE(::IsWindowVisible(Control(ControlId::ShowingCounter)));
    EXPECT_EQ(Caption(ControlId::RomCountLabel), "You have 4 of 5 known Roms");
    EXPECT_FALSE(::IsWindowVisible(Control(ControlId::ProgressBar)));
    EXPECT_FALSE(::IsWindowVisible(Control(ControlId::LoadingButton)));
    EXPECT_EQ(::GetFocus(), Control(ControlId::SearchBox));

    // A box that closes and a new activation start nothing again.
    desktop_.Clear();
    Push(ControlId::RunSnes9x);
    ::SendMessageA(Handle(), WM_ACTIVATE, WA_ACTIVE, 0);
    Settle();
    EXPECT_EQ(desktop_.Texts(), Lines({kSelectFirst}));

    // Settings > Reset runs it again from the cache, keeping the filters.
    Choose(MenuGroup::Genre, 1);
    desktop_.Clear();
    Menu(Id(MenuCommand::Reset));
    EXPECT_EQ(desktop_.Texts(), Lines({"Varnimo will use scanned.dat"}));
    EXPECT_TRUE(Checked(MenuGroup::Genre, 1));
    EXPECT_EQ(Shown(), Lines({"Gamma Blocks (J)"}));
}

TEST_F(WinMainWindow, EveryMenuGroupMovesItsRadioMarkAndRefilters) {
    Open();
    Choose(MenuGroup::Genre, 1);  // Puzzle
    EXPECT_EQ(Shown(), Lines({"Gamma Blocks (J)"}));
    EXPECT_EQ(Caption(ControlId::ShowingCounter), "Showing: 1/4");
    EXPECT_TRUE(Checked(MenuGroup::Genre, 1));
    EXPECT_FALSE(Checked(MenuGroup::Genre, -1));

    Choose(MenuGroup::ShowRoms, 2);  // All: the missing puzzle joins
    EXPECT_EQ(Shown(), Lines({"Gamma Blocks (J)", "Omega Missing (U)"}));
    EXPECT_EQ(Caption(ControlId::ShowingCounter), "Showing: 2/4");
    Choose(MenuGroup::ShowRoms, 1);  // Missing
    EXPECT_EQ(Shown(), Lines({"Omega Missing (U)"}));
    EXPECT_EQ(CheckedCount(MenuGroup::ShowRoms, {-1, 1, 2}), 1);

    Choose(MenuGroup::Genre, -1);
    Choose(MenuGroup::ShowRoms, 2);
    Choose(MenuGroup::Player, 2);  // 2P Simultan
    EXPECT_EQ(Shown(), Lines({"beta Racer (E)"}));
    EXPECT_TRUE(Checked(MenuGroup::Player, 2));
    Choose(MenuGroup::Player, -1);

    Choose(MenuGroup::Region, 2);  // USA
    EXPECT_EQ(Shown(), Lines({"Alpha Quest (U)", "Omega Missing (U)"}));
    Choose(MenuGroup::Region, 4);  // German: a language replaces the region
    EXPECT_EQ(Shown(), Lines({"Delta Force (G)"}));
    EXPECT_FALSE(Checked(MenuGroup::Region, 2));
    EXPECT_TRUE(Checked(MenuGroup::Region, 4));
    // The "-- Language --" line is greyed and chooses nothing.
    HMENU region = ::GetSubMenu(::GetMenu(Handle()), 3);
    EXPECT_NE(::GetMenuState(region, 4, MF_BYPOSITION) & MF_GRAYED, 0u);
    Menu(static_cast<int>(::GetMenuItemID(region, 4)));
    EXPECT_TRUE(Checked(MenuGroup::Region, 4));
    EXPECT_EQ(Shown(), Lines({"Delta Force (G)"}));

    const struct {
        MenuGroup group;
        std::initializer_list<int> tags;
    } groups[] = {{MenuGroup::Background, {-1, 1, 2, 3, 4}},
                  {MenuGroup::ShowRoms, {-1, 1, 2}},
                  {MenuGroup::Genre,
                   {-1, 15, 10, 4, 5, 16, 19, 8, 11, 17, 12, 1, 13, 6, 14, 18, 7, 20, 9, 0}},
                  {MenuGroup::Player, {-1, 1, 2, 3, 4, 5, 0}},
                  {MenuGroup::Region, {-1, 1, 2, 3, 4, 5, 6}}};
    for (const auto& g : groups) {
        EXPECT_EQ(CheckedCount(g.group, g.tags), 1) << static_cast<int>(g.group);
    }
}

TEST_F(WinMainWindow, TypingAndClearRebuildTheList) {
    Open();
    Type("RACER");
    EXPECT_EQ(Shown(), Lines({"beta Racer (E)"}));
    EXPECT_EQ(Caption(ControlId::ShowingCounter), "Showing: 1/4");
    ::SetWindowTextA(Control(ControlId::SearchBox), "");
    Type("(u");
    EXPECT_EQ(Shown(), Lines({"Alpha Quest (U)"}));

    Push(ControlId::ClearButton);
    EXPECT_EQ(Caption(ControlId::SearchBox), "");
    EXPECT_EQ(Shown().size(), 4u);
    EXPECT_EQ(Caption(ControlId::ShowingCounter), "Showing: 4/4");
}

TEST_F(WinMainWindow, AChoiceShowsDetailsAndTheTimerAlternatesTheScreenshots) {
    Open({.interval = 80});
    EXPECT_EQ(Caption(ControlId::GenreLabel), "Genre: - select Rom -");
    ClickLine(0);  // Alpha Quest (U)
    EXPECT_EQ(Selected(), 0);
    EXPECT_EQ(Caption(ControlId::FileSizeLabel), "Size:  2 kbyte");
    EXPECT_EQ(Caption(ControlId::GenreLabel), "Genre: Jump-n-Run");
    EXPECT_EQ(Caption(ControlId::PlayerLabel), "Player: 1 Player");
    const SIZE size = ScreenSize();
    EXPECT_EQ(size.cx, 253);
    EXPECT_EQ(size.cy, 213);
    // Ticks of the slideshow: the in-game shot, then the title shot again.
    ASSERT_TRUE(WaitForScreen(test::kAlphaIngame));
    ASSERT_TRUE(WaitForScreen(test::kAlphaTitle));

    // A key moves the choice and runs the same update (a .JPEG title, a .bmp in-game shot).
    Press(List(), VK_DOWN);
    EXPECT_EQ(Selected(), 1);
    EXPECT_EQ(Caption(ControlId::FileSizeLabel), "Size:  1024 kbyte");
    EXPECT_EQ(Caption(ControlId::PlayerLabel), "Player: 2P Simultan");
    ASSERT_TRUE(WaitForScreen(test::kBetaIngame));
    ASSERT_TRUE(WaitForScreen(test::kBetaTitle));
    Press(List(), VK_END);
    EXPECT_EQ(Caption(ControlId::GenreLabel), "Genre: Puzzle");  // Gamma Blocks (J)

    // Gamma has no in-game shot: the stored no-picture image shows.
    const std::vector<std::uint32_t> no_image =
        PixelsOf(LoadStoredPicture(StoredPicture::NoImage, {253, 213}).Handle());
    EXPECT_TRUE(test::PumpUntil([&] { return ScreenPixels() == no_image; }, 3000));

    // A rebuild drops the choice; the details go back to their placeholders.
    Type("a");
    EXPECT_EQ(Selected(), -1);
    Settle(300);
    EXPECT_EQ(Caption(ControlId::FileSizeLabel), "Size: - select Rom -");
    EXPECT_EQ(Caption(ControlId::GenreLabel), "Genre: - select Rom -");
}

TEST_F(WinMainWindow, ABrokenScreenshotIsReportedAndThePictureStays) {
    Open();
    ClickLine(0);
    ASSERT_TRUE(test::Near(ScreenColour(), test::kAlphaTitle));
    ClickLine(2);  // Delta Force (G): its title shot is not a picture
    ASSERT_FALSE(desktop_.boxes.empty());
    EXPECT_EQ(desktop_.boxes[0].title, "Varnimo");
    EXPECT_EQ(desktop_.boxes[0].icon, BoxIcon::Error);
    EXPECT_EQ(desktop_.boxes[0].text.rfind("Ung", 0), 0u) << desktop_.boxes[0].text;
    EXPECT_TRUE(test::Near(ScreenColour(), test::kAlphaTitle));
    EXPECT_EQ(Caption(ControlId::GenreLabel), "Genre: Shooter");
    EXPECT_EQ(Caption(ControlId::FileSizeLabel), "Size:  0 kbyte");
}

TEST_F(WinMainWindow, RunButtonsStartTheChosenRomWithTheRightProgramOrAskForOne) {
    Open();
    InstallRecorder(demo_->Snes9xPath(), "snes9x.exe");
    Push(ControlId::RunZsnes);
    EXPECT_EQ(desktop_.Texts(), Lines({kSelectFirst}));
    EXPECT_EQ(desktop_.boxes[0].icon, BoxIcon::Error);
    EXPECT_TRUE(NothingStarted());

    desktop_.Clear();
    ClickLine(0);
    const std::string rom = "1|" + demo_->RomPath() + "Alpha Quest (U).zip";
    Push(ControlId::RunZsnes);  // zsnesw.exe is missing: nothing runs, nothing is said
    EXPECT_TRUE(NothingStarted());
    Push(ControlId::RunSnes9x);
    EXPECT_EQ(Started(), rom);

    std::filesystem::remove(demo_->Path("snes9x/snes9x.exe"));
    InstallRecorder(demo_->ZsnesPath(), "zsnesw.exe");
    Push(ControlId::RunZsnes);
    EXPECT_EQ(Started(), rom);
    Push(ControlId::RunSnes9x);
    EXPECT_TRUE(NothingStarted());
    EXPECT_TRUE(desktop_.boxes.empty());
}

// A double-click on a title and Enter in the list are "Run with Snes9X"; Alt+R is its button.
TEST_F(WinMainWindow, ADoubleClickEnterOrAltRRunSnes9X) {
    Open();
    InstallRecorder(demo_->Snes9xPath(), "snes9x.exe");
    const std::string rom = "1|" + demo_->RomPath();
    ::SetFocus(List());
    Press(List(), VK_RETURN);
    EXPECT_EQ(desktop_.Texts(), Lines({kSelectFirst}));
    EXPECT_TRUE(NothingStarted());
    desktop_.Clear();

    ClickLine(1, true);
    EXPECT_EQ(Started(), rom + "beta Racer (E).zip");
    Press(List(), VK_UP);
    Press(List(), VK_RETURN);
    EXPECT_EQ(Started(), rom + "Alpha Quest (U).zip");
    ::PostMessageA(List(), WM_SYSKEYDOWN, 'R', 0x20000001);
    ::PostMessageA(List(), WM_SYSCHAR, 'r', 0x20000001);
    Settle();
    EXPECT_EQ(Started(), rom + "Alpha Quest (U).zip");
    EXPECT_TRUE(desktop_.boxes.empty());
}

TEST_F(WinMainWindow, TabWalksTheControlsInDesignedOrder) {
    Open();
    ::SetFocus(List());
    const ControlId order[] = {ControlId::RunSnes9x, ControlId::SearchBox, ControlId::ClearButton,
                               ControlId::RunZsnes, ControlId::TitleList};
    for (ControlId next : order) {
        Press(::GetFocus(), VK_TAB);
        EXPECT_EQ(::GetFocus(), Control(next)) << Id(next);
    }
}

TEST_F(WinMainWindow, BackgroundsSwapAndExitCloses) {
    Open();
    // A point of the surface no control covers.
    const int x = 600;
    const int y = 400;
    const auto stored = [&](StoredPicture picture) {
        const Picture whole = LoadStoredPicture(picture, {665, 426});
        const std::vector<std::uint32_t> pixels = PixelsOf(whole.Handle());
        return test::ColourOf(pixels[static_cast<std::size_t>(y * 665 + x)]);
    };
    EXPECT_TRUE(test::Near(SurfaceAt(x, y), stored(StoredPicture::DefaultBackground)));
    const struct {
        int tag;
        StoredPicture picture;
    } choices[] = {{4, StoredPicture::StarshipBackground},
                   {4, StoredPicture::StarshipBackground},  // chosen again: stays
                   {1, StoredPicture::RoseBackground},
                   {2, StoredPicture::SpaceBackground},
                   {3, StoredPicture::FractalBackground},
                   {-1, StoredPicture::DefaultBackground}};
    for (const auto& choice : choices) {
        Choose(MenuGroup::Background, choice.tag);
        EXPECT_TRUE(test::Near(SurfaceAt(x, y), stored(choice.picture))) << choice.tag;
        EXPECT_TRUE(Checked(MenuGroup::Background, choice.tag));
    }
    Menu(Id(MenuCommand::Exit));
    ASSERT_TRUE(test::PumpUntil([&] { return closed_; }, 3000));
    EXPECT_EQ(window_->Handle(), nullptr);
    EXPECT_TRUE(desktop_.boxes.empty());
}

// A screen reader walks from the window, and from the Options dialog, down to every control and
// speaks its name and role; hidden controls say so. The list's lines are not checked here: Wine 8's
// oleacc has no list view proxy (its client object counts the header window as the only child and
// answers E_INVALIDARG for every line, and accSelection and accNavigate are not implemented); on
// Windows the system's proxy reads the lines through the same LVN_GETDISPINFO the other tests
// drive.
TEST_F(WinMainWindow, AScreenReaderReachesEveryControlByItsNameAndRole) {
    Open();
    const struct {
        ControlId id;
        const char* name;
        long role;  // as Windows' proxies answer it
        bool shown;
    } controls[] = {
        {ControlId::TitleList, "Roms", ROLE_SYSTEM_LIST, true},
        {ControlId::RunSnes9x, "Run with Snes9X", ROLE_SYSTEM_PUSHBUTTON, true},
        {ControlId::RomCountPanel, "", ROLE_SYSTEM_CLIENT, true},
        {ControlId::RomCountLabel, "You have 4 of 5 known Roms", ROLE_SYSTEM_STATICTEXT, true},
        {ControlId::ScreenshotPanel, "", ROLE_SYSTEM_CLIENT, true},
        {ControlId::Screenshot, "", ROLE_SYSTEM_GRAPHIC, true},
        {ControlId::SearchLabel, "Search", ROLE_SYSTEM_STATICTEXT, false},
        {ControlId::SearchBox, "Search", ROLE_SYSTEM_TEXT, true},
        {ControlId::ClearButton, "Clear", ROLE_SYSTEM_PUSHBUTTON, true},
        {ControlId::RunZsnes, "Run with ZSNES", ROLE_SYSTEM_PUSHBUTTON, true},
        {ControlId::ProgressBar, "", ROLE_SYSTEM_PROGRESSBAR, false},
        {ControlId::LoadingButton, "Scanning...", ROLE_SYSTEM_PUSHBUTTON, false},
        {ControlId::ShowingCounter, "Showing: 4/4", ROLE_SYSTEM_STATICTEXT, true},
        {ControlId::FileSizeLabel, "Size: - select Rom -", ROLE_SYSTEM_STATICTEXT, true},
        {ControlId::GenreLabel, "Genre: - select Rom -", ROLE_SYSTEM_STATICTEXT, true},
        {ControlId::PlayerLabel, "Player: - select Rom -", ROLE_SYSTEM_STATICTEXT, true},
    };
    std::map<int, Spoken> reached;
    Reach(Handle(), reached);
    EXPECT_EQ(reached.size(), std::size(controls));
    for (const auto& control : controls) {
        SCOPED_TRACE(Id(control.id));
        ASSERT_EQ(reached.count(Id(control.id)), 1u);
        const Spoken& spoken = reached[Id(control.id)];
        EXPECT_EQ(spoken.name, control.name);
        // Wine 8's oleacc knows the role of edits only; every other control answers the generic
        // client role there.
        EXPECT_EQ(spoken.role, UnderWine() && control.role != ROLE_SYSTEM_TEXT ? ROLE_SYSTEM_CLIENT
                                                                               : control.role);
        EXPECT_EQ((spoken.state & STATE_SYSTEM_INVISIBLE) == 0, control.shown);
    }

    // The focus and what a choice changes are told as they change.
    EXPECT_EQ(FocusedControl(Handle()), Control(ControlId::SearchBox));
    ClickLine(0);
    EXPECT_EQ(FocusedControl(Handle()), List());
    EXPECT_NE(SpokenOf(List()).state & STATE_SYSTEM_FOCUSED, 0);
    EXPECT_EQ(SpokenOf(Control(ControlId::GenreLabel)).name, "Genre: Jump-n-Run");

    // The Options dialog: every control that takes the focus has a name, the folder fields and
    // the track bar the captions of their frames.
    std::map<int, Spoken> in_options;
    std::vector<int> unnamed;
    ASSERT_TRUE(DuringDialog("VarnimoOptions", MenuCommand::Options, [&](HWND dialog) {
        Reach(dialog, in_options);
        for (const auto& [id, spoken] : in_options) {
            if ((::GetWindowLongA(::GetDlgItem(dialog, id), GWL_STYLE) & WS_TABSTOP) != 0 &&
                spoken.name.empty()) {
                unnamed.push_back(id);
            }
        }
        ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }));
    EXPECT_EQ(unnamed, std::vector<int>{});
    const struct {
        OptionsControl id;
        const char* name;
    } fields[] = {
        {OptionsControl::ScreenshotsEdit, "Screenshots"},
        {OptionsControl::RomsEdit, "ROMS"},
        {OptionsControl::Snes9xEdit, "Snes9X"},
        {OptionsControl::ZsnesEdit, "ZSNES"},
        {OptionsControl::Seconds, "Seconds between toggle of Startup and Ingame Screenshot"}};
    for (const auto& field : fields) {
        EXPECT_EQ(in_options[static_cast<int>(field.id)].name, field.name);
    }
}

// Help > About opens the box modal over the window: its texts, the link opens the homepage
// and leaves it open, Exit closes it and gives the window back.
TEST_F(WinMainWindow, TheAboutBoxShowsItsTextsOpensTheHomepageAndExits) {
    Open();
    static std::function<void()> while_modal;
    std::vector<std::string> texts;
    bool enabled_while_open = true;
    while_modal = [&] {
        HWND about = ::FindWindowA("VarnimoAbout", "About...");
        if (about == nullptr || !::IsWindowVisible(about) || !texts.empty()) {
            return;
        }
        enabled_while_open = ::IsWindowEnabled(Handle()) != FALSE;
        for (AboutControl id : {AboutControl::Name, AboutControl::Version, AboutControl::Homepage,
                                AboutControl::Copyright, AboutControl::ExitButton}) {
            texts.push_back(test::TextOf(::GetDlgItem(about, static_cast<int>(id))));
        }
        HWND link = ::GetDlgItem(about, static_cast<int>(AboutControl::Homepage));
        ::SendMessageA(about, WM_COMMAND,
                       MAKEWPARAM(static_cast<int>(AboutControl::Homepage), STN_CLICKED),
                       reinterpret_cast<LPARAM>(link));
        texts.push_back(::IsWindow(about) ? "still open" : "closed");
        // Alt+X, as the system sends it to the box's loop.
        ::PostMessageA(::GetFocus(), WM_SYSCHAR, 'x', 0x20000001);
    };
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) {
        if (while_modal) {
            while_modal();
        }
    });
    ::PostMessageA(Handle(), WM_COMMAND, MAKEWPARAM(Id(MenuCommand::About), 0), 0);
    const bool closed = test::PumpUntil(
        [&] { return !texts.empty() && ::FindWindowA("VarnimoAbout", nullptr) == nullptr; }, 5000);
    ::KillTimer(nullptr, timer);
    while_modal = nullptr;
    ASSERT_TRUE(closed);
    EXPECT_EQ(texts, Lines({"Varnimo", "Version 0.301", "Varnimo Homepage",
                            "(c) 2004-2005 Varn Imoldt", "E&xit", "still open"}));
    EXPECT_FALSE(enabled_while_open);
    EXPECT_TRUE(::IsWindowEnabled(Handle()));
    EXPECT_EQ(desktop_.addresses, Lines({"http://www.varnimo.example/"}));
    EXPECT_TRUE(desktop_.boxes.empty());
}

// Help > Update opens the Update Checker over the window: the grids show the local versions,
// a press of Connect on a server that refuses shows the failure the checker's rules give,
// and Exit closes it.
TEST_F(WinMainWindow, TheUpdateCheckerShowsTheVersionsAndAFailedConnection) {
    Open();
    ::_putenv_s("VARNIMO_UPDATE_SERVER", "127.0.0.1:1");  // nothing listens on port 1
    static std::function<void()> while_modal;
    const auto cell = [](HWND dialog, UpdateControl grid, int column, int row) {
        char text[64] = {};
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        ::SendMessageA(::GetDlgItem(dialog, static_cast<int>(grid)), LVM_GETITEMTEXTA,
                       static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        return std::string(text);
    };
    Lines shown;
    Lines after_connect;
    while_modal = [&] {
        HWND dialog = ::FindWindowA("VarnimoUpdate", "Update Checker");
        if (dialog == nullptr || !::IsWindowVisible(dialog) || !shown.empty()) {
            return;
        }
        for (int row = 0; row < 3; ++row) {
            for (int column = 0; column < 3; ++column) {
                shown.push_back(cell(dialog, UpdateControl::VersionGrid, column, row));
            }
        }
        shown.push_back(cell(dialog, UpdateControl::PackGrid1, 0, 1));
        shown.push_back(cell(dialog, UpdateControl::PackGrid2, 0, 13));
        ::SendMessageA(::GetDlgItem(dialog, static_cast<int>(UpdateControl::ConnectButton)),
                       BM_CLICK, 0, 0);
        after_connect.push_back(
            test::TextOf(::GetDlgItem(dialog, static_cast<int>(UpdateControl::ConnectionLabel))));
        after_connect.push_back(cell(dialog, UpdateControl::VersionGrid, 2, 1));
        ::SendMessageA(::GetDlgItem(dialog, static_cast<int>(UpdateControl::ExitButton)), BM_CLICK,
                       0, 0);
    };
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) {
        if (while_modal) {
            while_modal();
        }
    });
    ::PostMessageA(Handle(), WM_COMMAND, MAKEWPARAM(Id(MenuCommand::Update), 0), 0);
    const bool closed = test::PumpUntil(
        [&] { return !shown.empty() && ::FindWindowA("VarnimoUpdate", nullptr) == nullptr; },
        20000);
    ::KillTimer(nullptr, timer);
    while_modal = nullptr;
    ::_putenv_s("VARNIMO_UPDATE_SERVER", "");
    ASSERT_TRUE(closed);
    EXPECT_EQ(shown, Lines({"Versions", "Yours", "Server", "Program", "0.301", "", "Database",
                            "1.5", "", "a", "z"}));
    EXPECT_EQ(after_connect, Lines({"ERROR - Not connected!", " ??? "}));
    EXPECT_EQ(desktop_.Texts(), Lines({"There was an Error..."}));
    EXPECT_TRUE(::IsWindowEnabled(Handle()));
}

TEST_F(WinMainWindow, AMissingCatalogueEndsTheProgram) {
    demo_ = std::make_unique<DemoFolder>(DemoFolder::Settings{.with_catalogue = false});
    Create();
    window_->Show();
    ASSERT_TRUE(test::PumpUntil([&] { return closed_; }, 10000));
    EXPECT_EQ(desktop_.Texts(), Lines({"Could not load Datafile!"}));
}

TEST_F(WinMainWindow, TheSlideshowTimerFollowsTheIntervalAndStopsAtZero) {
    Open({.interval = 60});
    ClickLine(0);
    ASSERT_TRUE(WaitForScreen(test::kAlphaIngame));
    window_->SetTimerInterval(0);
    Settle(50);
    const std::vector<std::uint32_t> stopped = ScreenPixels();
    window_->StopTimer();
    window_->StartTimer();  // still 0: no ticks
    Settle(400);
    EXPECT_EQ(ScreenPixels(), stopped);
    window_->SetTimerInterval(60);
    EXPECT_TRUE(test::PumpUntil([&] { return ScreenPixels() != stopped; }, 3000));
}

TEST_F(WinMainWindow, AMillionTitlesListAtOnceAndScrollToTheEnd) {
    constexpr int kRows = 1'000'000;
    std::string catalogue = "1.5\r\n";
    catalogue.reserve(static_cast<std::size_t>(kRows) * 32);
    for (int i = 0; i < kRows; ++i) {
        const std::string number = std::to_string(1'000'000 + i);
        catalogue += "Game " + number + " (U);t" + number + ".png;i.png;1;1\r\n";
    }
    demo_ = std::make_unique<DemoFolder>();
    test::WriteFile(demo_->Path("SNES_screens.dat"), catalogue);
    catalogue.clear();
    // A scan cache that owns none of them: a fresh scan of a million names takes a minute
    // under Wine, and the list is what is tested here.
    std::string cache;
    cache.reserve(static_cast<std::size_t>(kRows) * 3);
    for (int i = 0; i < kRows; ++i) {
        cache += "0\r\n";
    }
    test::WriteFile(demo_->Path("scanned.dat"), cache);
    Create();
    window_->Show();
    ASSERT_TRUE(test::PumpUntil([&] { return started_; }, 120000));
    desktop_.Clear();
    Choose(MenuGroup::ShowRoms, 1);  // Missing: every title but none of the demo's files
    EXPECT_EQ(::SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0), kRows);
    EXPECT_EQ(Caption(ControlId::ShowingCounter), "Showing: 1000000/0");
    EXPECT_EQ(LineText(0), "Game 1000000 (U)");
    Press(List(), VK_END);
    EXPECT_EQ(Selected(), kRows - 1);
    EXPECT_EQ(LineText(kRows - 1), "Game 1999999 (U)");
    EXPECT_EQ(Caption(ControlId::GenreLabel), "Genre: Puzzle");
    EXPECT_TRUE(desktop_.boxes.empty()) << ::testing::PrintToString(desktop_.Texts());
}

// Settings > Options shows the options of the running program; each step acts on the dialog
// as a user would and reads back what the controls show, the boxes and options.dat; Alt+E
// closes the dialog. The rules are app::OptionsEditor's: this proves the wiring of every
// control to them. (One showing for all steps: under Wine without a window manager every
// window that goes costs two seconds.)
TEST_F(WinMainWindow, TheOptionsDialogShowsTheOptionsAndEachActionEndsAsTheEditorSays) {
    Open();
    const auto item = [](HWND dialog, OptionsControl id) {
        return ::GetDlgItem(dialog, static_cast<int>(id));
    };
    const auto press = [&](HWND dialog, OptionsControl id) {
        ::SendMessageA(item(dialog, id), BM_CLICK, 0, 0);
    };
    const std::string shots = demo_->Path("shots").string() + "\\";
    const std::string roms = demo_->RomPath();
    const std::string other_roms = demo_->Path("other").string() + "\\";
    const auto options_file = [&](const std::string& screen, const std::string& rom,
                                  const std::string& interval, const std::string& mode) {
        return screen + "\r\n" + rom + "\r\n" + demo_->Snes9xPath() + "\r\n" + demo_->ZsnesPath() +
               "\r\n" + interval + "\r\n" + mode + "\r\n";
    };
    const std::string options_at_start = test::ReadFile(demo_->Path("options.dat"));
    const struct {
        const char* name;
        std::vector<std::optional<std::string>> folders;  // what the folder picker answers
        std::function<void(HWND)> act;
        Lines shown;  // the four fields, the track bar, the marked radio button
        Lines boxes;
        std::string options_after;
    } steps[] = {
        {"shows the options",
         {},
         [](HWND) {},
         {shots, roms, demo_->Snes9xPath(), demo_->ZsnesPath(), "2", "none"},
         {},
         options_at_start},
        {"Ingame Screen only, then Save",
         {},
         [&](HWND dialog) {
             press(dialog, OptionsControl::IngameOnly);
             press(dialog, OptionsControl::SaveButton);
         },
         {shots, roms, demo_->Snes9xPath(), demo_->ZsnesPath(), "0", "ingame"},
         {settings::kOptionsSaved},
         options_file(shots, roms, "0", "2")},
        {"an arrow key on the track bar, then Save",
         {},
         [&](HWND dialog) {
             ::SendMessageA(item(dialog, OptionsControl::Seconds), WM_KEYDOWN, VK_RIGHT, 1);
             ::SendMessageA(item(dialog, OptionsControl::Seconds), WM_KEYUP, VK_RIGHT,
                            static_cast<LPARAM>(0xC0000001u));
             press(dialog, OptionsControl::SaveButton);
         },
         {shots, roms, demo_->Snes9xPath(), demo_->ZsnesPath(), "1", "none"},
         {settings::kOptionsSaved},
         options_file(shots, roms, "1000", "0")},
        {"Change of the screenshots, then Save",
         {demo_->Path("roms").string()},
         [&](HWND dialog) {
             press(dialog, OptionsControl::ScreenshotsChange);
             press(dialog, OptionsControl::SaveButton);
         },
         {demo_->Path("roms").string(), roms, demo_->Snes9xPath(), demo_->ZsnesPath(), "1", "none"},
         {settings::kOptionsSaved},
         options_file(roms, roms, "1000", "0")},
        {"Load of another options.dat",
         {},
         [&](HWND dialog) {
             test::WriteFile(demo_->Path("options.dat"),
                             options_file(shots, other_roms, "7000", "2"));
             press(dialog, OptionsControl::LoadButton);
         },
         {shots, other_roms, demo_->Snes9xPath(), demo_->ZsnesPath(), "0", "ingame"},
         {settings::kOptionsLoaded},
         options_file(shots, other_roms, "7000", "2")},
    };
    struct Seen {
        Lines shown;
        Lines boxes;
        std::size_t asked = 0;
        std::string options;
    };
    std::vector<Seen> seen;
    bool owner_enabled = true;
    const bool closed = DuringDialog("VarnimoOptions", MenuCommand::Options, [&](HWND dialog) {
        owner_enabled = ::IsWindowEnabled(Handle()) != FALSE;
        for (const auto& step : steps) {
            desktop_.Clear();
            desktop_.folders = step.folders;
            step.act(dialog);
            Seen now;
            for (OptionsControl edit : {OptionsControl::ScreenshotsEdit, OptionsControl::RomsEdit,
                                        OptionsControl::Snes9xEdit, OptionsControl::ZsnesEdit}) {
                now.shown.push_back(test::TextOf(item(dialog, edit)));
            }
            now.shown.push_back(std::to_string(
                ::SendMessageA(item(dialog, OptionsControl::Seconds), TBM_GETPOS, 0, 0)));
            const auto marked = [&](OptionsControl id) {
                return ::SendMessageA(item(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
            };
            now.shown.push_back(marked(OptionsControl::StartupOnly)
                                    ? (marked(OptionsControl::IngameOnly) ? "both" : "startup")
                                    : (marked(OptionsControl::IngameOnly) ? "ingame" : "none"));
            now.boxes = desktop_.Texts();
            now.asked = desktop_.asked.size();
            now.options = test::ReadFile(demo_->Path("options.dat"));
            seen.push_back(std::move(now));
        }
        // Alt+E, as the system sends it to the dialog's loop.
        ::PostMessageA(::GetFocus(), WM_SYSCHAR, 'e', 0x20000001);
    });
    ASSERT_TRUE(closed);
    ASSERT_EQ(seen.size(), std::size(steps));
    for (std::size_t i = 0; i < seen.size(); ++i) {
        SCOPED_TRACE(steps[i].name);
        EXPECT_EQ(seen[i].shown, steps[i].shown);
        EXPECT_EQ(seen[i].boxes, steps[i].boxes);
        EXPECT_EQ(seen[i].asked, steps[i].folders.size());
        EXPECT_EQ(seen[i].options, steps[i].options_after);
    }
    EXPECT_FALSE(owner_enabled);
    EXPECT_TRUE(::IsWindowEnabled(Handle()));
}

// The New collection dialog, offered at the start where the folder holds no catalogue: an
// import that is refused says why and leaves the dialog open, whose Cancel then writes
// nothing; Create makes the collection and the window then lists its titles. In that window
// Settings > Import ROM folder... offers the dialog again, filled with the collection's
// folders, and Cancel ends it quietly.
TEST_F(WinMainWindow, TheNewCollectionDialogMakesTheCollectionOrSaysWhyNot) {
    demo_ = std::make_unique<DemoFolder>(
        DemoFolder::Settings{.with_options = false, .with_catalogue = false});
    const struct {
        const char* name;
        std::string rom_folder;  // typed into the ROM folder field, in the collection's folder
        bool made;
        BoxIcon box;
    } cases[] = {
        {"a refused import, then Cancel", "no such folder", false, BoxIcon::Error},
        {"Create", "roms", true, BoxIcon::Information},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        desktop_.Clear();
        bool open_at_box = false;
        HWND dialog_at_box = nullptr;
        desktop_.while_open = [&](const test::RecordedBox& box) {
            open_at_box = ::IsWindowVisible(dialog_at_box) != FALSE;
            if (box.icon == BoxIcon::Error) {
                ::PostMessageA(::GetDlgItem(dialog_at_box, IDCANCEL), BM_CLICK, 0, 0);
            }
        };
        bool made = !c.made;
        const bool closed = DuringDialog(
            "VarnimoNewCollection", [&] { made = OfferNewCollection(desktop_); },
            [&](HWND dialog) {
                dialog_at_box = dialog;
                ::SetWindowTextA(
                    ::GetDlgItem(dialog, static_cast<int>(NewCollectionControl::RomEdit)),
                    demo_->Path(c.rom_folder).string().c_str());
                ::SendMessageA(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
            },
            60000);
        ASSERT_TRUE(closed);
        EXPECT_EQ(made, c.made);
        ASSERT_EQ(desktop_.boxes.size(), 1u);
        EXPECT_EQ(desktop_.boxes[0].icon, c.box);
        EXPECT_EQ(desktop_.boxes[0].title, "New collection");
        EXPECT_FALSE(desktop_.boxes[0].text.empty());
        EXPECT_TRUE(open_at_box);
        EXPECT_EQ(std::filesystem::exists(demo_->Path("SNES_screens.dat")), c.made);
    }

    // The collection just made, opened as the user's own.
    desktop_.Clear();
    Create();
    window_->SetOwnCollection();
    window_->Show();
    ASSERT_TRUE(test::PumpUntil([&] { return started_; }, 60000));
    Lines titles = Shown();
    std::sort(titles.begin(), titles.end());
    EXPECT_EQ(titles,
              Lines({"Alpha Quest (U)", "Delta Force (G)", "Gamma Blocks (J)", "beta Racer (E)"}));
    EXPECT_EQ(desktop_.Texts(), Lines());

    const std::string catalogue = test::ReadFile(demo_->Path("SNES_screens.dat"));
    std::string filled;
    ASSERT_TRUE(
        DuringDialog("VarnimoNewCollection", MenuCommand::ImportRomFolder, [&](HWND dialog) {
            filled =
                test::TextOf(::GetDlgItem(dialog, static_cast<int>(NewCollectionControl::RomEdit)));
            ::SendMessageA(::GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
        }));
    EXPECT_EQ(filled, demo_->Path("roms").string());
    EXPECT_EQ(Shown().size(), 4u);
    EXPECT_EQ(desktop_.Texts(), Lines());
    EXPECT_EQ(test::ReadFile(demo_->Path("SNES_screens.dat")), catalogue);
}

}  // namespace
}  // namespace varnimo::win
