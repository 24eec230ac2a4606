/* The webcam control library (libvxrelay.so): finds, starts, queries and drives the virtual-webcam
 * application Vidralux for the program's video greetings.
 *
 * Plain C functions with undecorated names; the library exports these eleven and nothing else. The
 * program loads it at run time by its full path and binds each function by name.
 *
 * How the library reaches the application:
 * - its registry key "Software\Quenmark\Vidralux" (HKEY_LOCAL_MACHINE, else HKEY_CURRENT_USER),
 *   values "Directory" (installation folder) and "Version" (dotted text);
 * - its single-instance mutex "QuenmarkVidraluxCopyGuard" (is it running);
 * - its control window of the class "VIDRALUX_EXTERNAL_CTRL_WND_CLASS" on the desktop bus, which
 *   takes the private message 0x807B with a command number in wParam and the file path in its
 *   window text.
 *
 * Failure is reported by the result alone (0 or NULL); the library logs nothing. Text is UTF-8.
 * Each call that talks to the application blocks the calling thread until the application answers,
 * at most 10 seconds; it does not serve the caller's message loop meanwhile.
 * Returned texts live in buffers of the calling thread and stay valid until that thread calls the
 * same function again. */
#ifndef QAV_VXRELAY_VXRELAY_H
#define QAV_VXRELAY_VXRELAY_H

#ifdef __cplusplus
extern "C" {
#endif

/* Puts the path into the control window's text, then asks the application to play that file: the
 * application's result (non-zero is success); 0 without a control window, for a NULL or invalid
 * UTF-8 path, or when the application refuses the text. */
int Vidralux_SetFile(const char* path);
/* The path of the application's current file; NULL without a control window, when the application
 * has no current file, or when its path does not fit the 520-byte buffer (a cut path would name
 * another file). */
const char* Vidralux_GetFile(void);
/* (major << 16) | (minor & 0xFFFF) from the "Version" text ("3.12" gives 0x3000C, "3" 0x30000);
 * 0 when the key or the value is missing, or the value is not a text of at most 63 bytes. */
int Vidralux_GetVersion(void);
/* The installation folder ("Directory"); NULL when the key cannot be opened or the value is
 * missing, not a text, or longer than 259 bytes. */
const char* Vidralux_GetDirectory(void);
/* Starts "Vidralux.exe" from the installation folder (working folder too) as a detached process,
 * and waits up to 15 s for its control window: -1 when it was started, 0 when it could not be. */
int Vidralux_Run(void);
/* The same with the argument "/min". */
int Vidralux_RunMinimized(void);
/* Commands 6 exit, 3 start, 4 stop, 5 pause: the application's result; 0 without a control window. */
int Vidralux_Exit(void);
int Vidralux_Start(void);
int Vidralux_Stop(void);
int Vidralux_Pause(void);
/* -1 when a process holds the application's single-instance mutex, otherwise 0. */
int Vidralux_IsRunning(void);

#ifdef __cplusplus
}
#endif

#endif
