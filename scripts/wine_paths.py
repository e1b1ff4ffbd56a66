"""Paths of this machine as a program under Wine names them."""


def windows_path(path):
    """The path through Wine's Z: drive, which maps the root of this machine."""
    return "Z:" + str(path).replace("/", "\\")
