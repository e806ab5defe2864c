// The translation unit that builds the layers' shared precompiled headers (HalyardLayers.cmake).
