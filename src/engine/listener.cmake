# Listener, hand record, interaction box and the sample-history measures.
list(APPEND VELMO_ENGINE_SOURCES VelmoListener.cpp VelmoBox.cpp SampleHistory.cpp)
list(APPEND VELMO_ENGINE_LIBS velmo_leap)
