#pragma once
// Work that an owner runs once when it starts and deletes when it ends, knowing nothing else of
// it: the page controller and the installer engine's update.
namespace fw {

class StartupWork {
public:
    virtual ~StartupWork() = default;
    virtual void Run() = 0;
};

}  // namespace fw
