#include "platform/runtime/runtime.h"

namespace kt {
namespace {

struct RuntimeState {
  RuntimeSettings settings;
  Runtime::ErrorBlock errorBlock;
  WorkAreaResolver* resolver = nullptr;
};

RuntimeState& State() {
  static RuntimeState state;
  return state;
}

}  // namespace

RuntimeSettings& Runtime::Settings() { return State().settings; }
Runtime::ErrorBlock& Runtime::GetErrorBlock() { return State().errorBlock; }

Runtime::ErrorBlock Runtime::SetErrorBlock(ErrorBlock block) {
  ErrorBlock old = std::move(State().errorBlock);
  State().errorBlock = std::move(block);
  return old;
}

WorkAreaResolver* Runtime::Resolver() { return State().resolver; }
void Runtime::SetResolver(WorkAreaResolver* resolver) { State().resolver = resolver; }

ScopedRuntime::ScopedRuntime()
    : saved_(Runtime::Settings()), savedBlock_(Runtime::GetErrorBlock()), savedResolver_(Runtime::Resolver()) {}

ScopedRuntime::~ScopedRuntime() {
  Runtime::Settings() = saved_;
  Runtime::SetErrorBlock(savedBlock_);
  Runtime::SetResolver(savedResolver_);
}

ScopedWorkArea::ScopedWorkArea(int area) {
  WorkAreaResolver* r = Runtime::Resolver();
  if (!r || area <= 0) return;
  saved_ = r->SelectedArea();
  if (saved_ != area) {
    r->SelectArea(area);
    switched_ = true;
  }
}

ScopedWorkArea::~ScopedWorkArea() {
  if (!switched_) return;
  if (WorkAreaResolver* r = Runtime::Resolver()) r->SelectArea(saved_);
}

}  // namespace kt
