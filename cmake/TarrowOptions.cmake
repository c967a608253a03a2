# Compiler settings shared by every target of the project.

if(TARROW_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(TARROW_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# Every literal's encoding is explicit, and a connection dies with its receiver.
add_compile_definitions(QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_CONTEXTLESS_CONNECT
                        QT_NO_KEYWORDS)

function(tarrow_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -pedantic)
  if(TARROW_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
