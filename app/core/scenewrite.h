// Writing the scene file: with its failure told to the caller, and in the background.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/dialogs.h"

namespace tarvelin {

class ModelStore;

// WriteVrmlModel; true when it neither reported an error nor threw one (a thrown conversion
// error is reported through dialogs here).
bool WriteSceneChecked(const ModelStore& store, const std::string& dataFileName,
                       const std::string& scenePath, bool numbering, bool axes, Dialogs& dialogs);

// Writes scenes on a worker thread, one at a time, so that a large model's scene (gigabytes at
// a million bars) does not hold up the results on screen. Each write works on its own copy of
// what the scene is made of (the node and bar tables), so the store may change meanwhile.
// What a write would have shown (its error boxes, the text of what it threw) is kept for the
// owner's thread to show.
class BackgroundScene {
 public:
  struct Message {
    bool Error = true;  // an error box, else an information box
    std::string Text;
  };

  // ended, when given, is called on the worker thread after each write, to wake the owner.
  explicit BackgroundScene(std::function<void()> ended = {});
  // Waits for the write that runs.
  ~BackgroundScene();
  BackgroundScene(const BackgroundScene&) = delete;
  BackgroundScene& operator=(const BackgroundScene&) = delete;

  // Waits for the write that runs, copies the node and bar tables of store, and writes their
  // scene as WriteVrmlModel(store, dataFileName, scenePath, numbering, axes) would on the
  // worker thread. Throws bad_alloc when the copy cannot be made (nothing is started then).
  void Start(const ModelStore& store, const std::string& dataFileName, const std::string& scenePath,
             bool numbering, bool axes);
  // Waits for the write that runs, if any.
  void Wait();
  // What the writes that have ended would have shown, oldest first, each only once.
  std::vector<Message> TakeMessages();

 private:
  std::function<void()> ended_;
  std::thread worker_;
  std::mutex mutex_;  // guards messages_
  std::vector<Message> messages_;
};

}  // namespace tarvelin
