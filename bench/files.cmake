add_executable(files_bench MidiWriterBench.cpp)
target_link_libraries(files_bench PRIVATE halcyone_engine benchmark::benchmark)
