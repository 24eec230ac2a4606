// The image-lists part: the program-wide image lists of the user interface (tray icons, page and
// button images), built at start-up and released at exit; without a user interface CNullImageLists
// stands in. GUI thread only.
#pragma once

#include <cstdint>

class CImageListsPart {
 public:
  virtual ~CImageListsPart() = default;
  // Builds the lists; returns the colour flag they were built with.
  virtual int32_t Create() = 0;
  virtual void Release() = 0;
};

class CNullImageLists : public CImageListsPart {
 public:
  int32_t Create() override { return 0; }
  void Release() override {}
};
