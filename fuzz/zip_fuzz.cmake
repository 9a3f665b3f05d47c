# The ZIP reader over arbitrary bytes; seeds in corpus/zip (made by make_zip_corpus.py).
target_link_libraries(${target} PRIVATE quib_vfs)
