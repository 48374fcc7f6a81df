// One Qt application object for the whole test program (offscreen unless told otherwise), and
// the program's resources handed to the window layer as the shell hands them at start-up.

#include "platform/win/platform.h"
#include "resources/resources.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace {

class QtEnvironment : public testing::Environment {
public:
    void SetUp() override {
        app_ = new QApplication(argc_, argv_);
        win::SetResources(res::AppResources());
    }
    void TearDown() override { delete app_; }

private:
    int argc_ = 1;
    char name_[10] = "win_tests";
    char* argv_[2] = {name_, nullptr};
    QApplication* app_ = nullptr;
};

[[maybe_unused]] testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace
