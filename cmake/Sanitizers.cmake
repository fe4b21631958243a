if(VEXLA_SANITIZE)
  add_compile_options(-fsanitize=${VEXLA_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${VEXLA_SANITIZE})
endif()
