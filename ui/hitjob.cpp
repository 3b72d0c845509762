#include "ui/hitjob.h"

#include <exception>
#include <thread>

#include "engine/zemzuvave.h"

std::shared_ptr<THitJob> THitJob::Start(HWND Window, UINT Message, WPARAM Tag, const std::string& Path,
                                        const std::string& Keyword, std::size_t MaxHits) {
    std::shared_ptr<THitJob> Job(new THitJob(Path, Keyword));
    // The thread keeps the job alive for as long as it runs, also when the window has let go of
    // it; nobody waits for it, so a slow file never holds up the window.
    std::thread([Job, Window, Message, Tag, MaxHits] {
        Job->Run(MaxHits);
        if (Job->Done() && !Job->FCancelled) PostMessageA(Window, Message, Tag, 0);
    }).detach();
    return Job;
}

void THitJob::Run(std::size_t MaxHits) {
    try {
        const TReadCancelScope Scope(FCancelled);
        FHits = Tzemzuvave::FileHits(FPath, FKeyword, MaxHits);
    } catch (const TReadCancelled&) {
        return;  // cut short: no outcome to tell
    } catch (const std::exception& Error) {
        FError = Error.what();
    } catch (...) {
        FError = "发生未知错误";
    }
    FDone.store(true, std::memory_order_release);
}
