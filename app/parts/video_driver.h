// The video-driver part: the driver of the webcam application, built at start-up when it can be;
// CNullVideoDriver stands in when there is none (the program then runs without video). GUI thread
// only.
#pragma once

class CAppVideoDriver {
 public:
  virtual ~CAppVideoDriver() = default;
  // Builds the driver and makes it the program's; false when it cannot be built.
  virtual bool Create() = 0;
  virtual void Delete() = 0;
};

class CNullVideoDriver : public CAppVideoDriver {
 public:
  bool Create() override { return false; }
  void Delete() override {}
};
