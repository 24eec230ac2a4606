// The audio thread's states. The numbers are the ones the traces show ("state not INIT (%d)").
#pragma once

enum class AudioDriverState : int {
  kIdle = 0,
  kPlayingFile = 1,
  kPlayingFileLastBlocks = 2,  // read to the end, the last blocks still playing
  kRecordingMicrophone = 3,
  kPlayingGreeting = 4,
  kGreetingLastBlocks = 5,  // greeting read to the end, its last blocks still going out
  kRecordingCaller = 6,
  kRecordingConversation = 7,
  kDestroyed = 8,
};
