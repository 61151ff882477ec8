# The installer's SQL dialect: lexer, parser, syntax tree, condition evaluator.
target_sources(msi PRIVATE
    src/sql/token.cpp
    src/sql/lexer.cpp
    src/sql/column_type.cpp
    src/sql/parser.cpp
    src/sql/condition_parser.cpp
    src/sql/schema_parser.cpp
    src/sql/condition.cpp
)

vsb_add_test(msi_sql_tests
    SOURCES
        src/sql/lexer_test.cpp
        src/sql/parser_test.cpp
        src/sql/condition_parser_test.cpp
        src/sql/schema_parser_test.cpp
        src/sql/condition_test.cpp
        src/sql/fuzz_test.cpp
    LIBS msi vsb_testing)
target_include_directories(msi_sql_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
# Each defines its own ErrorOf, as lexer_test.cpp does: compiled on their own.
set_source_files_properties(src/sql/parser_test.cpp src/sql/condition_parser_test.cpp
    src/sql/schema_parser_test.cpp PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
