// Writing the scene with its failure counted, and on a worker thread.
#include "app/core/scenewrite.h"

#include <memory>
#include <new>
#include <system_error>
#include <utility>

#include "analysis/modelstore.h"
#include "app/core/streamdialogs.h"
#include "support/numtext.h"
#include "vrml/export.h"

namespace tarvelin {

bool WriteSceneChecked(const ModelStore& store, const std::string& dataFileName,
                       const std::string& scenePath, bool numbering, bool axes, Dialogs& dialogs) {
  CountingDialogs counting(dialogs);
  try {
    WriteVrmlModel(store, dataFileName, scenePath, numbering, axes, counting);
  } catch (const UserError& e) {
    counting.ShowError(e.what());
  }
  return counting.Errors == 0;
}

namespace {

// The boxes of a write on the worker thread, kept for the owner's thread; a question (none is
// asked while a scene is written) is answered No.
class KeptDialogs : public Dialogs {
 public:
  void ShowError(const std::string& text) override { Kept.push_back({true, text}); }
  void ShowInformation(const std::string& text) override { Kept.push_back({false, text}); }
  void ShowMessage(const std::string& text) override { Kept.push_back({false, text}); }
  bool AskYesNo(const std::string&) override { return false; }
  std::vector<BackgroundScene::Message> Kept;
};

}  // namespace

BackgroundScene::BackgroundScene(std::function<void()> ended) : ended_(std::move(ended)) {}

BackgroundScene::~BackgroundScene() {
  Wait();
}

void BackgroundScene::Start(const ModelStore& store, const std::string& dataFileName,
                            const std::string& scenePath, bool numbering, bool axes) {
  Wait();
  // What WriteVrmlModel reads: the bar table (and the bar count from it) and the node table.
  auto tables = std::make_shared<ModelStore>();
  tables->GridLength = store.GridLength;
  tables->CoordGrid = store.CoordGrid;
  tables->EleGrid = store.EleGrid;
  auto write = [this, tables, dataFileName, scenePath, numbering, axes] {
    KeptDialogs kept;
    try {
      WriteVrmlModel(*tables, dataFileName, scenePath, numbering, axes, kept);
    } catch (const std::bad_alloc&) {
      kept.ShowError("Out of memory");
    } catch (const std::exception& e) {  // a cell that does not convert
      kept.ShowError(e.what());
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      messages_.insert(messages_.end(), kept.Kept.begin(), kept.Kept.end());
    }
    if (ended_) ended_();
  };
  try {
    worker_ = std::thread(write);
  } catch (const std::system_error&) {  // no thread to be had: written here and now
    write();
  }
}

void BackgroundScene::Wait() {
  if (worker_.joinable()) worker_.join();
}

std::vector<BackgroundScene::Message> BackgroundScene::TakeMessages() {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::exchange(messages_, {});
}

}  // namespace tarvelin
