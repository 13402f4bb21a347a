// The stored placement of a test-guide window: Store records where a window is, Apply puts a
// window back there and gives it the common test-guide behaviour (no close command, topmost and
// task-bar settings from the system options). Positions and sizes are held in twips.
#pragma once

#include "velko/frame/class_table.hpp"
#include "velko/frame/variant.hpp"

namespace velko {

// VelkoCore.CWindowData (creatable). A window is given as a form object (IForm) or as a window
// handle (a number, or a text holding one); any other argument changes nothing. No member raises:
// a failing step ends the operation (Apply still unlocks window updates).
class CWindowData : public virtual IUnknown {
 public:
  VELKO_CLASS_IDS("{2C8A4E61-9B3D-4F70-8E12-6A7B8C9D0E51}",
                  "{2C8A4E61-9B3D-4F70-8E12-6A7B8C9D0E52}");

  void Store(const Variant& window);
  void Apply(const Variant& window);

  // What was recorded (for the host's own use and for tests).
  Boolean Stored() const { return stored_; }
  Boolean RectStored() const { return rectStored_; }
  Long Left() const { return left_; }
  Long Top() const { return top_; }
  Long Width() const { return width_; }
  Long Height() const { return height_; }
  Long WindowState() const { return windowState_; }

 private:
  Boolean stored_ = false;
  Boolean rectStored_ = false;
  Long left_ = 0;
  Long top_ = 0;
  Long width_ = 0;
  Long height_ = 0;
  Long windowState_ = 0;
};

}  // namespace velko
