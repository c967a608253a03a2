// Placed before Qt's own headers on the core library's include path only.
#error "tarrow_core must not include Qt GUI or widget headers"
