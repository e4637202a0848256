// The page setup dialog: answered through the dialog seam, and shown for real as a modal form that
// the test drives from a timer by sending messages to its controls (typing, clicks, keys). What it
// writes back is checked on a real print engine, laid out again as the preview would.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/ComPtr.h"
#include "base/Dialogs.h"
#include "base/ModalState.h"
#include "base/Strings.h"
#include "control/uActiveForm.h"
#include "preview/frmPageSetupDlg.h"
#include "resources/StringIds.h"
#include "support/BannerSetting.h"
#include "support/Scopes.h"
#include "support/TestPictures.h"
#include "support/WindowTesting.h"

using namespace vt;

namespace {

// Lets the named form show for real and answers every other dialog with `answer`, recording all.
class RealForm {
public:
  explicit RealForm(std::string form, int answer = IDOK) : form_(std::move(form)) {
    previous_ = SetDialogHandler([this, answer](const DialogRequest& r) -> std::optional<int> {
      requests.push_back(r);
      if (r.name == form_) return std::nullopt;
      return answer;
    });
  }
  ~RealForm() { SetDialogHandler(previous_); }
  RealForm(const RealForm&) = delete;
  RealForm& operator=(const RealForm&) = delete;
  std::vector<DialogRequest> requests;

private:
  std::string form_;
  DialogHandler previous_;
};

// Runs one step per timer tick inside whatever message loop is running (the modal form's). When the
// steps are spent and the form is still up, it is closed, so that no test waits on a window.
class Steps {
public:
  Steps(TForm& form, std::vector<std::function<void()>> steps) : form_(form), steps_(steps.begin(), steps.end()) {
    current_ = this;
    timer_ = ::SetTimer(nullptr, 0, 40, &Tick);
  }
  ~Steps() {
    ::KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  Steps(const Steps&) = delete;
  Steps& operator=(const Steps&) = delete;
  bool Finished() const { return steps_.empty(); }

private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    Steps* self = current_;
    if (!self) return;
    if (self->steps_.empty()) {
      if (self->form_.Modal() && ++self->idleTicks_ > 10) {
        ADD_FAILURE() << "the form was still open after the last step";
        ::PostMessageW(self->form_.Handle(), WM_CLOSE, 0, 0);
      }
      return;
    }
    auto step = std::move(self->steps_.front());
    self->steps_.pop_front();
    step();
  }

  static inline Steps* current_ = nullptr;
  TForm& form_;
  std::deque<std::function<void()>> steps_;
  UINT_PTR timer_ = 0;
  int idleTicks_ = 0;
};

void Click(const TControl& control) { ::SendMessageW(control.Handle(), BM_CLICK, 0, 0); }

// Selects the whole text, so that what is typed next replaces it.
void SelectAll(const TControl& control) { ::SendMessageW(control.Handle(), EM_SETSEL, 0, -1); }

void Type(const TControl& control, const std::wstring& keys) {
  for (wchar_t key : keys) ::SendMessageW(control.Handle(), WM_CHAR, key, 1);
}

std::wstring Text(const TControl& control) { return control.Text(); }

class PageSetup : public ::testing::Test {
protected:
  PageSetup() { dialog.LoadCaptions(); }

  // Shows the dialog on the engine and runs the steps in its modal loop.
  bool Execute(std::vector<std::function<void()>> steps) {
    Steps driver(dialog, std::move(steps));
    const bool changed = dialog.Execute(engine);
    EXPECT_TRUE(driver.Finished()) << "the form closed before all steps ran";
    return changed;
  }
  void SetEngine(long double zoom, TFitMode fit, bool vert, bool horz, bool noTemplate) {
    engine.SetZoom(zoom);
    engine.Settings.FitMode = fit;
    engine.Settings.CenterVert = vert;
    engine.Settings.CenterHorz = horz;
    engine.Settings.NoHeaderFooter = noTemplate;
  }
  void ExpectEngine(long double zoom, TFitMode fit, bool vert, bool horz, bool noTemplate) {
    EXPECT_EQ(engine.Settings.Zoom, zoom);
    EXPECT_EQ(engine.Settings.FitMode, fit);
    EXPECT_EQ(engine.Settings.CenterVert, vert);
    EXPECT_EQ(engine.Settings.CenterHorz, horz);
    EXPECT_EQ(engine.Settings.NoHeaderFooter, noTemplate);
  }

  test::HostWindow owner{40, 40, 300, 200};
  TVantrelleDocument document;
  TPrintEngine engine{&document};
  TfmPageSetupDlg dialog{owner.get()};
};

TEST_F(PageSetup, CaptionsComeFromTheStringTableAndTheTemplateTextsStayKorean) {
  EXPECT_EQ(dialog.Caption(), LoadResStringW(kCaptionPageSetup));
  EXPECT_EQ(Text(dialog.OKBtn), LoadResStringW(kCaptionOk));
  EXPECT_EQ(Text(dialog.CancelBtn), LoadResStringW(kCaptionCancel));
  EXPECT_EQ(Text(dialog.rb_FitToWidth), LoadResStringW(kCaptionFitToWidth));
  EXPECT_EQ(Text(dialog.rb_RealSize), LoadResStringW(kCaptionRealSize));
  EXPECT_EQ(Text(dialog.VertCenterChk), LoadResStringW(kCaptionAlignVerticalCenter));
  EXPECT_EQ(Text(dialog.PrintSetupBtn), LoadResStringW(kCaptionPrintSetup));
  EXPECT_EQ(Text(dialog.YangsicSetingGroup), L"\uC591\uC2DD \uC124\uC815");
  EXPECT_EQ(Text(dialog.YangsicUseChk), L"\uC591\uC2DD \uBBF8\uC801\uC6A9");
  EXPECT_FALSE(dialog.ContentZoomBox.Visible());
  EXPECT_FALSE(dialog.Label1.Visible());
  RECT client;
  ::GetClientRect(dialog.Handle(), &client);
  EXPECT_EQ(client.right, 269);
  EXPECT_EQ(client.bottom, 295);
}

TEST_F(PageSetup, AnsweredThroughTheSeamWithoutShowing) {
  SetEngine(0.5L, fitToHeight, true, false, true);
  {
    test::DialogRecorder recorder;  // OK
    EXPECT_TRUE(dialog.Execute(engine));
    ASSERT_EQ(recorder.requests.size(), 1u);
    EXPECT_EQ(recorder.requests[0].name, "TfmPageSetupDlg");
    EXPECT_EQ(recorder.requests[0].caption, LoadResString(kCaptionPageSetup));
  }
  EXPECT_FALSE(::IsWindowVisible(dialog.Handle()));
  ExpectEngine(0.5L, fitToHeight, true, false, true);
  EXPECT_EQ(Text(dialog.ContentZoomBox), L"50");
  EXPECT_TRUE(dialog.rb_FitToHeight.Checked());
  EXPECT_FALSE(dialog.rb_RealSize.Checked());

  // A mode the dialog has no choice for checks none anew; OK writes the one still checked.
  engine.Settings.FitMode = static_cast<TFitMode>(7);
  {
    test::DialogRecorder recorder;
    EXPECT_TRUE(dialog.Execute(engine));
  }
  EXPECT_EQ(engine.Settings.FitMode, fitToHeight);

  auto previous = SetDialogHandler([](const DialogRequest&) -> std::optional<int> { return IDCANCEL; });
  engine.Settings.FitMode = fitToPage;
  EXPECT_FALSE(dialog.Execute(engine));
  SetDialogHandler(previous);
  EXPECT_EQ(engine.Settings.FitMode, fitToPage);
}

TEST_F(PageSetup, ShownModallyTheOwnerIsDisabledAndTheModalStateHeld) {
  RealForm real("TfmPageSetupDlg");
  SetEngine(1.0L, fitRealSize, false, false, false);
  bool sawModal = false;
  EXPECT_TRUE(Execute({[&] {
                         sawModal = ::IsWindowVisible(dialog.Handle()) && !::IsWindowEnabled(owner.get()) &&
                                    ModalLevel() == 1 && ::IsWindowEnabled(dialog.Handle());
                         EXPECT_EQ(Text(dialog.ContentZoomBox), L"100");
                         EXPECT_TRUE(dialog.rb_RealSize.Checked());
                       },
                       [&] { Click(dialog.OKBtn); }}));
  EXPECT_TRUE(sawModal);
  EXPECT_TRUE(::IsWindowEnabled(owner.get()));
  EXPECT_FALSE(::IsWindowVisible(dialog.Handle()));
  EXPECT_EQ(ModalLevel(), 0);
  ExpectEngine(1.0L, fitRealSize, false, false, false);
  ASSERT_EQ(real.requests.size(), 1u);  // no message on the way
}

TEST_F(PageSetup, TheModalGuardDisablesTheProcessWindowsButNotTheDialog) {
  RealForm real("TfmPageSetupDlg");
  test::HostWindow other(400, 40, 200, 100);
  EnsureModalProtector();
  bool guarded = false;
  EXPECT_TRUE(Execute({[&] {
                         guarded = !::IsWindowEnabled(other.get()) && !::IsWindowEnabled(owner.get()) &&
                                   ::IsWindowEnabled(dialog.Handle());
                       },
                       [&] { Click(dialog.OKBtn); }}));
  FreeModalProtector();
  EXPECT_TRUE(guarded);
  EXPECT_TRUE(::IsWindowEnabled(other.get()));
  EXPECT_TRUE(::IsWindowEnabled(owner.get()));
}

TEST_F(PageSetup, ChoicesMadeInTheDialogAreWrittenToTheEngine) {
  RealForm real("TfmPageSetupDlg");
  SetEngine(1.0L, fitToHeight, false, true, false);
  EXPECT_TRUE(Execute({[&] {
                         EXPECT_TRUE(dialog.rb_FitToHeight.Checked());
                         EXPECT_TRUE(dialog.HorzCenterChk.Checked());
                         Click(dialog.rb_FitToWidth);
                         Click(dialog.VertCenterChk);
                         Click(dialog.HorzCenterChk);
                         Click(dialog.YangsicUseChk);
                       },
                       [&] {
                         EXPECT_TRUE(dialog.rb_FitToWidth.Checked());
                         EXPECT_FALSE(dialog.rb_FitToHeight.Checked());
                         SelectAll(dialog.ContentZoomBox);
                         Type(dialog.ContentZoomBox, L"\b4x5.%");  // only the digits arrive
                         EXPECT_EQ(Text(dialog.ContentZoomBox), L"45");
                       },
                       [&] { Click(dialog.OKBtn); }}));
  ExpectEngine(0.45L, fitToWidth, true, false, true);

  // And back to real size.
  EXPECT_TRUE(Execute({[&] {
                         EXPECT_EQ(Text(dialog.ContentZoomBox), L"45");
                         Click(dialog.rb_RealSize);
                       },
                       [&] { Click(dialog.OKBtn); }}));
  EXPECT_EQ(engine.Settings.FitMode, fitRealSize);
}

TEST_F(PageSetup, AZoomOutsideTheLimitsShowsTheMessageAndKeepsTheDialogOpen) {
  RealForm real("TfmPageSetupDlg");
  SetEngine(1.5L, fitRealSize, false, false, false);
  EXPECT_TRUE(Execute({[&] {
                         EXPECT_EQ(Text(dialog.ContentZoomBox), L"150");
                         Click(dialog.OKBtn);
                       },
                       [&] {
                         EXPECT_TRUE(dialog.Modal());
                         EXPECT_EQ(Text(dialog.ContentZoomBox), L"100");
                         ASSERT_EQ(real.requests.size(), 2u);
                         const DialogRequest& message = real.requests[1];
                         EXPECT_EQ(message.name, "MessageBox");
                         EXPECT_EQ(message.caption, "Vantrelle");
                         EXPECT_EQ(message.text, LoadResString(kMsgZoomOutOfRange));
                         EXPECT_EQ(message.flags, static_cast<UINT>(MB_OK));
                         SelectAll(dialog.ContentZoomBox);
                         Type(dialog.ContentZoomBox, L"0");  // "0", then an empty box
                         Click(dialog.OKBtn);
                       },
                       [&] {
                         EXPECT_TRUE(dialog.Modal());
                         EXPECT_EQ(real.requests.size(), 3u);
                         ::SetWindowTextW(dialog.ContentZoomBox.Handle(), L"");
                         Click(dialog.OKBtn);
                       },
                       [&] {
                         EXPECT_EQ(real.requests.size(), 4u);
                         EXPECT_EQ(Text(dialog.ContentZoomBox), L"100");
                         Click(dialog.OKBtn);  // a second OK accepts 100 %
                       }}));
  EXPECT_EQ(engine.Settings.Zoom, 1.0L);
}

TEST_F(PageSetup, CancelEscAndTheCloseBoxLeaveTheEngineUntouched) {
  RealForm real("TfmPageSetupDlg");
  SetEngine(0.3L, fitToPage, true, true, true);
  const std::vector<std::function<void()>> closers = {
      [&] { Click(dialog.CancelBtn); },
      [&] { ::SendMessageW(dialog.HorzCenterChk.Handle(), WM_KEYUP, VK_ESCAPE, 0); },
      [&] { ::PostMessageW(dialog.HorzCenterChk.Handle(), WM_KEYDOWN, VK_ESCAPE, 0); },  // the dialog manager's Esc
      [&] { ::PostMessageW(dialog.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0); }};
  for (const auto& close : closers) {
    EXPECT_FALSE(Execute({[&] {
                            Click(dialog.rb_FitToWidth);
                            Click(dialog.YangsicUseChk);
                            SelectAll(dialog.ContentZoomBox);
                            Type(dialog.ContentZoomBox, L"7");
                          },
                          close}));
    ExpectEngine(0.3L, fitToPage, true, true, true);
  }
}

TEST_F(PageSetup, DisabledFitChoicesStillWriteTheCheckedMode) {
  RealForm real("TfmPageSetupDlg");
  dialog.SetFitChoicesEnabled(false);
  SetEngine(1.0L, fitToWidth, false, false, false);
  EXPECT_TRUE(Execute({[&] {
                         EXPECT_FALSE(dialog.rb_FitToWidth.Enabled());
                         EXPECT_FALSE(dialog.rb_RealSize.Enabled());
                         EXPECT_TRUE(dialog.rb_FitToWidth.Checked());
                         EXPECT_FALSE(dialog.rb_RealSize.Checked());
                         Click(dialog.rb_FitToPage);  // a disabled button takes no click
                       },
                       [&] { Click(dialog.OKBtn); }}));
  EXPECT_EQ(engine.Settings.FitMode, fitToWidth);
  engine.Settings.FitMode = fitToPage;
  EXPECT_TRUE(Execute({[&] { Click(dialog.OKBtn); }}));
  EXPECT_EQ(engine.Settings.FitMode, fitToPage);
  EXPECT_FALSE(dialog.rb_FitToWidth.Checked());
}

TEST_F(PageSetup, AConfirmedPrinterSetupCountsAsAChangeEvenWhenCancelled) {
  RealForm real("TfmPageSetupDlg");  // answers the printer setup dialog with OK
  SetEngine(1.0L, fitToHeight, false, false, false);
  EXPECT_TRUE(Execute({[&] {
                         Click(dialog.rb_FitToPage);
                         Click(dialog.PrintSetupBtn);
                       },
                       [&] {
                         ASSERT_EQ(real.requests.size(), 2u);
                         EXPECT_EQ(real.requests[1].name, "PrintSetupDialog");
                         Click(dialog.CancelBtn);
                       }}));
  EXPECT_EQ(engine.Settings.FitMode, fitToHeight);

  RealForm refused("TfmPageSetupDlg", IDCANCEL);
  EXPECT_FALSE(Execute({[&] { Click(dialog.PrintSetupBtn); }, [&] { Click(dialog.CancelBtn); }}));
}

TEST_F(PageSetup, EveryPercentShowsAsItselfAgain) {
  test::DialogRecorder recorder;
  for (int percent = 1; percent <= 100; ++percent) {
    engine.SetZoom(static_cast<long double>(percent) / 100);
    dialog.Execute(engine);
    EXPECT_EQ(Text(dialog.ContentZoomBox), std::to_wstring(percent));
    EXPECT_EQ(engine.Settings.Zoom, static_cast<long double>(percent) / 100);
  }
}

TEST_F(PageSetup, TheEngineLaysOutWithWhatTheDialogChose) {
  ComApartment com;
  test::PrivateTempFolder temp;
  test::TempDir dir;
  test::NoPrinter none;  // the fixed page of 761 x 1,084
  TBmpHtmlImageBuilder builder;
  auto image = test::WritePicture(builder, {900, 5000, 640, 480}, test::Gradient);
  TURLImg urls;
  test::WriteBannerSetting(
      dir, "<top><width>100%</width><height>100</height></top><bottom><width>100%</width><height>60</height></bottom>",
      urls);
  engine.Layout(image.get(), nullptr, &urls, true);
  EXPECT_EQ(engine.Geometry().BodyHeight, 924);
  EXPECT_GT(engine.GetPageCount(), 1);

  RealForm real("TfmPageSetupDlg");
  EXPECT_TRUE(Execute({[&] {
                         Click(dialog.rb_FitToPage);
                         Click(dialog.YangsicUseChk);
                         Click(dialog.VertCenterChk);
                       },
                       [&] { Click(dialog.OKBtn); }}));
  engine.Layout(image.get(), nullptr, &urls, true);
  EXPECT_EQ(engine.GetPageCount(), 1);
  EXPECT_EQ(engine.Geometry().BodyHeight, engine.Geometry().PageHeight);  // no banners
  EXPECT_EQ(engine.Geometry().OffsetY, 0);
  EXPECT_TRUE(engine.Settings.CenterVert);
}

TEST_F(PageSetup, AQuitMessageEndsTheModalLoopAndStaysForTheHost) {
  RealForm real("TfmPageSetupDlg");
  SetEngine(1.0L, fitToWidth, false, false, false);
  EXPECT_FALSE(Execute({[&] { ::PostQuitMessage(7); }}));
  EXPECT_EQ(engine.Settings.FitMode, fitToWidth);
  EXPECT_TRUE(::IsWindowEnabled(owner.get()));
  MSG msg;
  ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
}

}  // namespace
