#pragma once
// What the pages ask of the run they belong to.
class PageRun {
public:
    virtual ~PageRun() = default;
    // The license page's "Next": the checks made as the installation begins, then the
    // installation page; a refusal ends the run.
    virtual void StartInstallation() = 0;
};
