#include "CheckController.h"

#include "LeapController.h"

#include <chrono>
#include <thread>

void CheckController::run() {
    // Wall time, asleep: processor time runs fast while the tracking thread is busy.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    std::this_thread::sleep_until(deadline);
    if (controller && !controller->isConnected()) emit onDisconnect();
    emit resultReady(QString());
    ran_.store(true, std::memory_order_release);
}
