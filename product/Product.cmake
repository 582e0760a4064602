# What the product's programs and its setup share, set once here: the programs read the generated
# ProductFacts.h, the setup the generated ProductFacts.nsh, the build names its programs from it.
set(TVCLIENT_PRODUCT "Kalda网络电视")
set(TVCLIENT_PUBLISHER "Kalda")
# The release number is the installed "Version" that the update check compares: one whole number.
set(TVCLIENT_VERSION 1)

# The programs' file names, without their extensions.
set(TVCLIENT_CLIENT_NAME TvClient)
set(TVCLIENT_UPDATER_NAME ZeziroD2U)
set(TVCLIENT_PLAYER_NAME P2PPlayer)
# Held by the client while it runs: a second copy refuses to start, the updater and the setup wait for it.
set(TVCLIENT_CLIENT_MUTEX VORENP2P)

# The installation's folders and files, relative to it.
set(TVCLIENT_SETTINGS_FOLDER ini)
set(TVCLIENT_PICTURES_FOLDER AD)
set(TVCLIENT_INI_NAME Tavro.ini)
set(TVCLIENT_TEMP_INI_NAME Tavrotmp.ini)
set(TVCLIENT_VERSION_FILE_NAME p.ini)
set(TVCLIENT_UPDATE_KEY_NAME update.pub)
set(TVCLIENT_CHANNEL_FILE Channel.txt)
set(TVCLIENT_IDLE_PICTURE_NAME Pic1.BMP)
set(TVCLIENT_JOURNAL_FILE update.journal)
set(TVCLIENT_STAGING_FOLDER update.staging)

configure_file(${CMAKE_CURRENT_LIST_DIR}/ProductFacts.h.in ${CMAKE_BINARY_DIR}/generated/product/ProductFacts.h @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/ProductFacts.nsh.in ${CMAKE_BINARY_DIR}/generated/product/ProductFacts.nsh @ONLY)
