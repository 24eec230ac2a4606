// The video driver (audio/video_driver.h) as the application object builds and deletes it: its
// construction throws when the webcam application or its library is not there, and the program
// then runs without video greetings.
#pragma once

#include <memory>

#include "app/parts/video_driver.h"
#include "audio/video_driver.h"

class CVideoDriverPart : public CAppVideoDriver {
 public:
  ~CVideoDriverPart() override { Delete(); }
  bool Create() override;
  void Delete() override;

 private:
  std::unique_ptr<CVideoDriver> m_driver;
};
