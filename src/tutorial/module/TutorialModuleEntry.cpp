// The entry point of the tutorial's module (velmo-tutorial.so), which the tray program opens the
// first time the user opens the tutorial.
#include "OsxHandVisualiser.h"
#include "OsxTutorialWindow.h"
#include "TutorialSession.h"

#include <type_traits>

namespace {

class ModuleFactory final : public TutorialFactory {
public:
    QWidget* createWindow() override { return new OsxTutorialWindow(nullptr); }
    TutorialSession* createSession(QWidget* window, TutorialEngine* engine) override {
        auto* host = qobject_cast<OsxTutorialWindow*>(window);
        return host ? new OsxHandVisualiser(host, engine) : nullptr;
    }
};

} // namespace

extern "C" __attribute__((visibility("default"))) TutorialFactory* velmo_tutorial_factory(int interfaceVersion) {
    if (interfaceVersion != tutorialInterfaceVersion) return nullptr;
    static ModuleFactory factory;
    return &factory;
}

static_assert(std::is_same_v<decltype(&velmo_tutorial_factory), TutorialFactoryFunction>,
              "the entry point must match what the tray program resolves");
