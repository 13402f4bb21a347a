#include "velko/outside/error_server.hpp"

#include "velko/frame/error.hpp"

namespace velko {
namespace {

class ErrorObject final : public IErrorObject {
 public:
  Long LastNumber() override { return number_; }
  String LastSource() override { return source_; }
  String LastDescription() override { return description_; }
  Long LastFlags() override { return flags_; }
  void Clear() override {
    number_ = 0;
    source_.clear();
    description_.clear();
    flags_ = 0;
  }
  Long RaiseCount() override { return count_; }

  void Raise(Long number, String& source, String& description, String& /*helpFile*/,
             String& /*helpContext*/, Long& flags) override {
    ++count_;
    if (number != 0) {
      number_ = number;
      source_ = source;
      description_ = description;
      flags_ = flags;
    } else if (number_ == 0) {
      // Nothing to raise again: the runtime answers an empty raise with "invalid call".
      throw Error(5, "VelkoCore", "Invalid procedure call or argument");
    }
    throw Error(number_, source_, description_);
  }

 private:
  Long number_ = 0;
  String source_;
  String description_;
  Long flags_ = 0;
  Long count_ = 0;
};

class ErrorService final : public IErrorServer {
 public:
  Ref<IErrorObject> ErrorObject() override { return object_; }

 private:
  Ref<IErrorObject> object_ = MakeRef<class ErrorObject>();
};

}  // namespace

Ref<IErrorServer> ErrorServer() {
  thread_local Ref<IErrorServer> service = MakeRef<ErrorService>();
  return service;
}

}  // namespace velko
