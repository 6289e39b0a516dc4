# The differential test of the directed similarity against its literal
# recursive definition, included by the native tree (portable core, plain and
# under sanitizers) and by the test tree's policy folder (the DLL's own
# Similarity under Wine, with the C runtime's lower-casing).
set(similarity_dir ${CMAKE_CURRENT_LIST_DIR})
set(RESETRA_SIMILARITY_DIFF_SEED 20261207 CACHE STRING "Seed of the similarity differential test")
set(RESETRA_SIMILARITY_DIFF_COUNT 120000 CACHE STRING "Cases of the similarity differential test")

if(RESETRA_NATIVE)
    add_executable(similarity_differential ${similarity_dir}/SimilarityDifferential.cpp)
    add_test(NAME SimilarityAgreesWithRecursiveDefinition
             COMMAND similarity_differential --seed ${RESETRA_SIMILARITY_DIFF_SEED}
                     --count ${RESETRA_SIMILARITY_DIFF_COUNT})
    set(sanitize -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_executable(similarity_differential_sanitized ${similarity_dir}/SimilarityDifferential.cpp)
    target_compile_options(similarity_differential_sanitized PRIVATE ${sanitize} -O1 -g)
    target_link_options(similarity_differential_sanitized PRIVATE ${sanitize})
    add_test(NAME SimilarityAgreesWithRecursiveDefinitionUnderSanitizers
             COMMAND similarity_differential_sanitized --seed 7 --count 50000)
    set_tests_properties(SimilarityAgreesWithRecursiveDefinition
                         SimilarityAgreesWithRecursiveDefinitionUnderSanitizers PROPERTIES
        TIMEOUT 300 ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0;UBSAN_OPTIONS=print_stacktrace=1")
    return()
endif()

add_executable(similarity_differential_wine ${similarity_dir}/SimilarityDifferential.cpp)
target_link_libraries(similarity_differential_wine PRIVATE resetra_policy)
target_link_options(similarity_differential_wine PRIVATE ${RESETRA_STATIC_LINK})
add_test(NAME SimilarityUnderWineAgreesWithRecursiveDefinition
         COMMAND similarity_differential_wine --seed ${RESETRA_SIMILARITY_DIFF_SEED}
                 --count 100000)
set_tests_properties(SimilarityUnderWineAgreesWithRecursiveDefinition PROPERTIES TIMEOUT 300)
