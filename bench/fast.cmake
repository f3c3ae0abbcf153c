add_executable(escape_bench EscapeBench.cpp)
target_link_libraries(escape_bench PRIVATE halcyone_engine benchmark::benchmark)
