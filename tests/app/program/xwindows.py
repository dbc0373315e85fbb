# Finds top-level X windows by title and asks them to close, as a window manager's close box
# does (WM_DELETE_WINDOW), through libX11 with ctypes.
import ctypes
import ctypes.util
import time

_x11 = None
# Windows may go away between listing and asking about them: X errors are ignored rather than
# ending the process (Xlib's default handler exits).
_ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
_ignore_errors = _ERROR_HANDLER(lambda display, event: 0)


def _lib():
    global _x11
    if _x11 is None:
        name = ctypes.util.find_library("X11") or "libX11.so.6"
        lib = ctypes.CDLL(name)
        lib.XOpenDisplay.restype = ctypes.c_void_p
        lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        lib.XDefaultRootWindow.restype = ctypes.c_ulong
        lib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        lib.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong,
                                   ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_ulong),
                                   ctypes.POINTER(ctypes.POINTER(ctypes.c_ulong)),
                                   ctypes.POINTER(ctypes.c_uint)]
        lib.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong,
                                   ctypes.POINTER(ctypes.c_char_p)]
        lib.XFree.argtypes = [ctypes.c_void_p]
        lib.XInternAtom.restype = ctypes.c_ulong
        lib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        lib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                   ctypes.c_void_p]
        lib.XFlush.argtypes = [ctypes.c_void_p]
        lib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        lib.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_void_p]
        lib.XSetErrorHandler.restype = ctypes.c_void_p
        lib.XSetErrorHandler.argtypes = [_ERROR_HANDLER]
        lib.XSetErrorHandler(_ignore_errors)
        _x11 = lib
    return _x11


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class _Event(ctypes.Union):
    _fields_ = [("xclient", _ClientMessage), ("pad", ctypes.c_long * 24)]


class _Attributes(ctypes.Structure):
    # XWindowAttributes up to map_state; the rest is padding.
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int),
                ("height", ctypes.c_int), ("border_width", ctypes.c_int), ("depth", ctypes.c_int),
                ("visual", ctypes.c_void_p), ("root", ctypes.c_ulong), ("c_class", ctypes.c_int),
                ("bit_gravity", ctypes.c_int), ("win_gravity", ctypes.c_int),
                ("backing_store", ctypes.c_int), ("backing_planes", ctypes.c_ulong),
                ("backing_pixel", ctypes.c_ulong), ("save_under", ctypes.c_int),
                ("colormap", ctypes.c_ulong), ("map_installed", ctypes.c_int),
                ("map_state", ctypes.c_int), ("pad", ctypes.c_long * 16)]


def _viewable_titles():
    lib = _lib()
    dpy = lib.XOpenDisplay(None)
    if not dpy:
        raise RuntimeError("cannot open the X display")
    try:
        root = lib.XDefaultRootWindow(dpy)
        root_ret, parent = ctypes.c_ulong(), ctypes.c_ulong()
        children = ctypes.POINTER(ctypes.c_ulong)()
        count = ctypes.c_uint()
        found = []
        if lib.XQueryTree(dpy, root, ctypes.byref(root_ret), ctypes.byref(parent),
                          ctypes.byref(children), ctypes.byref(count)):
            for i in range(count.value):
                w = children[i]
                attrs = _Attributes()
                if not lib.XGetWindowAttributes(dpy, w, ctypes.byref(attrs)):
                    continue
                if attrs.map_state != 2:  # IsViewable
                    continue
                name = ctypes.c_char_p()
                if lib.XFetchName(dpy, w, ctypes.byref(name)) and name.value is not None:
                    found.append((w, name.value.decode("utf-8", "replace")))
                    lib.XFree(name)
            if children:
                lib.XFree(children)
        return found
    finally:
        lib.XCloseDisplay(dpy)


def titles():
    """Titles of the viewable top-level windows."""
    return [t for _, t in _viewable_titles()]


def wait_for(predicate, timeout=10.0):
    """The first viewable window whose title satisfies predicate, or None after timeout."""
    end = time.time() + timeout
    while time.time() < end:
        for w, t in _viewable_titles():
            if predicate(t):
                return w, t
        time.sleep(0.1)
    return None


def close(window):
    """Sends WM_DELETE_WINDOW to the window, as a close box does."""
    lib = _lib()
    dpy = lib.XOpenDisplay(None)
    try:
        ev = _Event()
        ev.xclient.type = 33  # ClientMessage
        ev.xclient.window = window
        ev.xclient.message_type = lib.XInternAtom(dpy, b"WM_PROTOCOLS", 0)
        ev.xclient.format = 32
        ev.xclient.data[0] = lib.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)
        ev.xclient.data[1] = 0  # CurrentTime
        lib.XSendEvent(dpy, window, 0, 0, ctypes.byref(ev))
        lib.XFlush(dpy)
    finally:
        lib.XCloseDisplay(dpy)
