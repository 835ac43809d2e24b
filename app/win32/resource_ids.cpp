// The resource script's numbers (res/win32/resource.h, plain macros as the resource compiler
// reads them) are those by which the dialog core, the About box's template and the icons are
// known to the code: a change on one side alone stops the build.
#include "app/about_template.h"
#include "res/icon_ids.h"
#include "ui/core/rs232set_template.h"

namespace {

// Taken before the resource script's macros take these names.
constexpr int kMainFrame = res::IDR_MAINFRAME;
constexpr int kLampFail = res::IDI_RESULT_FAIL;
constexpr int kLampOk = res::IDI_RESULT_OK;
constexpr int kDialogLampFail = ui::IDI_RESULT_FAIL;
constexpr int kDialogLampOk = ui::IDI_RESULT_OK;
constexpr int kProgrammingDialog = ui::IDD_RS232SET;
constexpr int kAboutBox = IDD_ABOUTBOX;

}  // namespace

#include "res/win32/resource.h"

static_assert(kMainFrame == IDR_MAINFRAME);
static_assert(kLampFail == IDI_RESULT_FAIL && kDialogLampFail == IDI_RESULT_FAIL);
static_assert(kLampOk == IDI_RESULT_OK && kDialogLampOk == IDI_RESULT_OK);
static_assert(kProgrammingDialog == IDD_RS232SET);
static_assert(kAboutBox == IDD_ABOUTBOX);
