#include "core/log_presenter.h"

#include <gtest/gtest.h>

#include "support/test_app.h"

namespace cz {
namespace {

TEST(LogPresenter, DoubleClickShowsTheSelectedEntryTitledByItsTime) {
  test::TempDir dir;
  test::TestApp app(dir.path());
  app.session.currentAccount = "clerk";
  app.log.write(LogType::System, "first");
  app.clock.advanceSeconds(65);
  app.log.write(LogType::Stock, "[clerk]修改了库存");
  LogPresenter presenter(app.logList, app.dialogs);

  presenter.doubleClicked();  // nothing selected: nothing shown
  EXPECT_TRUE(app.dialogs.calls.empty());

  app.logList.setSelectedIndex(1);
  presenter.doubleClicked();
  ASSERT_EQ(app.dialogs.calls.size(), 1u);
  EXPECT_EQ(app.dialogs.calls[0].title, "2026-12-10 09:06:08");
  EXPECT_EQ(app.dialogs.calls[0].text,
            "账号：clerk\r\n\r\n类型：更新库存\r\n\r\n详情内容：\r\n\r\n[clerk]修改了库存");
  EXPECT_EQ(app.dialogs.calls[0].icon, MessageIcon::None);
  EXPECT_FALSE(presenter.closeRequested());  // closing only hides the window
}

}  // namespace
}  // namespace cz
