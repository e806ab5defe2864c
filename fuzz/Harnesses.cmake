# The harnesses, each once: its name (also its corpus folder, corpus/<name>, and dictionary,
# dict/<name>.dict), its source, the longest input worth trying, and what it links. The
# includer defines halyard_harness(name source maxLen libraries...): fuzz/CMakeLists.txt builds
# libFuzzer programs, tests/fuzz/CMakeLists.txt the replays the test suite runs.
halyard_harness(profile ProfileFuzzer.cpp 4096 halyard_app)
halyard_harness(bench BenchFuzzer.cpp 8192 halyard_sim nlohmann_json::nlohmann_json)
halyard_harness(state StateFuzzer.cpp 4096 halyard_sim)
halyard_harness(srec SrecFuzzer.cpp 4096 halyard_sim)
halyard_harness(hex HexFuzzer.cpp 512 halyard_sim)
halyard_harness(spool SpoolFuzzer.cpp 8192 halyard_records)
halyard_harness(scpi ScpiFuzzer.cpp 8192 halyard_counter)
halyard_harness(cfx CfxFuzzer.cpp 4096 halyard_factory nlohmann_json::nlohmann_json)
