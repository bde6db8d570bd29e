// Holds the precompiled headers that the suite's targets reuse (cmake/precompiled.cmake).
