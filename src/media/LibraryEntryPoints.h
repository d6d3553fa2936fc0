// Names of every media-library and SDL entry point the media stack binds, one list per
// library. Kept free of includes so stand-in libraries for tests can be generated from it.
#pragma once

// The lists are packed by hand: the formatter reflows X-macro chains into a staircase.
// clang-format off
#define QARVO_AVCODEC_FUNCTIONS(X)                                                                 \
  X(avcodec_version) X(avcodec_configuration) X(avcodec_find_decoder)                              \
  X(avcodec_find_decoder_by_name) X(avcodec_find_encoder) X(avcodec_find_encoder_by_name)          \
  X(avcodec_alloc_context3) X(avcodec_free_context) X(avcodec_parameters_to_context)               \
  X(avcodec_parameters_from_context) X(avcodec_parameters_copy) X(avcodec_parameters_alloc)        \
  X(avcodec_parameters_free) X(avcodec_open2) X(avcodec_close) X(avcodec_send_packet)              \
  X(avcodec_receive_frame) X(avcodec_send_frame) X(avcodec_receive_packet)                         \
  X(avcodec_flush_buffers) X(avcodec_get_class) X(avcodec_get_name) X(avcodec_descriptor_get)      \
  X(avcodec_descriptor_get_by_name) X(avcodec_string) X(avcodec_decode_subtitle2)                  \
  X(avcodec_encode_subtitle) X(avsubtitle_free) X(av_codec_iterate) X(av_codec_is_encoder)         \
  X(av_codec_is_decoder) X(av_packet_alloc) X(av_packet_free) X(av_packet_unref) X(av_packet_ref)  \
  X(av_packet_clone) X(av_packet_rescale_ts) X(av_packet_move_ref) X(av_new_packet)                \
  X(av_grow_packet) X(av_shrink_packet) X(av_packet_make_writable) X(av_packet_get_side_data)      \
  X(av_packet_new_side_data) X(av_bsf_get_by_name) X(av_bsf_alloc) X(av_bsf_init)                  \
  X(av_bsf_send_packet) X(av_bsf_receive_packet) X(av_bsf_free) X(av_bsf_flush)                    \
  X(av_get_profile_name) X(av_get_bits_per_sample) X(av_get_exact_bits_per_sample)                 \
  X(av_get_audio_frame_duration2) X(avcodec_find_best_pix_fmt_of_list) X(avcodec_get_type)         \
  X(av_fast_padded_malloc) X(av_get_pcm_codec) X(avcodec_align_dimensions2)                        \
  X(avcodec_default_get_buffer2) X(avcodec_get_hw_config) X(avcodec_profile_name)                  \
  X(av_dv_codec_profile)

#define QARVO_AVDEVICE_FUNCTIONS(X) X(avdevice_version) X(avdevice_register_all)

#define QARVO_AVFILTER_FUNCTIONS(X)                                                                \
  X(avfilter_version) X(avfilter_get_by_name) X(avfilter_graph_alloc) X(avfilter_graph_free)       \
  X(avfilter_graph_create_filter) X(avfilter_graph_alloc_filter) X(avfilter_init_str)              \
  X(avfilter_init_dict) X(avfilter_link) X(avfilter_graph_config) X(avfilter_graph_parse_ptr)      \
  X(avfilter_graph_parse2) X(avfilter_inout_alloc) X(avfilter_inout_free)                          \
  X(av_buffersrc_add_frame_flags) X(av_buffersrc_write_frame) X(av_buffersrc_add_frame)            \
  X(av_buffersrc_parameters_alloc) X(av_buffersrc_parameters_set) X(av_buffersink_get_frame)       \
  X(av_buffersink_get_frame_flags) X(av_buffersink_get_samples) X(av_buffersink_set_frame_size)    \
  X(av_buffersink_get_time_base) X(av_buffersink_get_w) X(av_buffersink_get_h)                     \
  X(av_buffersink_get_format) X(av_buffersink_get_sample_aspect_ratio)                             \
  X(av_buffersink_get_frame_rate) X(av_buffersink_get_sample_rate) X(av_buffersink_get_ch_layout)  \
  X(avfilter_graph_send_command) X(avfilter_get_class)

#define QARVO_AVFORMAT_FUNCTIONS(X)                                                                \
  X(avformat_version) X(avformat_alloc_context) X(avformat_free_context) X(avformat_open_input)    \
  X(avformat_close_input) X(avformat_find_stream_info) X(avformat_alloc_output_context2)           \
  X(avformat_new_stream) X(avformat_write_header) X(avformat_init_output) X(av_write_frame)        \
  X(av_interleaved_write_frame) X(av_write_trailer) X(av_read_frame) X(av_read_play)               \
  X(av_read_pause) X(av_seek_frame) X(avformat_seek_file) X(av_find_input_format)                  \
  X(av_guess_format) X(av_guess_codec) X(av_find_best_stream) X(av_dump_format)                    \
  X(av_find_program_from_stream) X(av_new_program) X(av_guess_frame_rate)                          \
  X(av_guess_sample_aspect_ratio) X(av_sdp_create) X(av_filename_number_test)                      \
  X(av_get_frame_filename) X(avio_open) X(avio_open2) X(avio_closep) X(avio_close)                 \
  X(avio_alloc_context) X(avio_context_free) X(avio_size) X(avio_seek) X(avio_flush) X(avio_read)  \
  X(avio_write) X(avio_feof) X(avio_find_protocol_name) X(avio_check) X(av_demuxer_iterate)        \
  X(av_muxer_iterate) X(avformat_get_class) X(avformat_query_codec) X(av_codec_get_id)             \
  X(av_codec_get_tag) X(av_codec_get_tag2) X(avformat_network_init) X(avformat_network_deinit)     \
  X(avformat_match_stream_specifier) X(av_stream_get_codec_timebase)                               \
  X(avformat_transfer_internal_stream_timing_info) X(av_url_split) X(av_probe_input_buffer2)       \
  X(av_format_inject_global_side_data) X(av_stream_get_side_data) X(av_stream_new_side_data)

#define QARVO_AVUTIL_FUNCTIONS(X)                                                                  \
  X(avutil_version) X(av_log_set_callback) X(av_log_set_level) X(av_log_get_level) X(av_log)       \
  X(av_default_item_name) X(av_strerror) X(av_malloc) X(av_mallocz) X(av_realloc) X(av_free)       \
  X(av_freep) X(av_strdup) X(av_fast_malloc) X(av_dict_set) X(av_dict_set_int) X(av_dict_get)      \
  X(av_dict_free) X(av_dict_copy) X(av_dict_count) X(av_dict_parse_string) X(av_frame_alloc)       \
  X(av_frame_free) X(av_frame_unref) X(av_frame_ref) X(av_frame_move_ref) X(av_frame_clone)        \
  X(av_frame_get_buffer) X(av_frame_make_writable) X(av_frame_copy) X(av_frame_copy_props)         \
  X(av_image_alloc) X(av_image_fill_arrays) X(av_image_get_buffer_size) X(av_image_copy)           \
  X(av_image_copy_plane) X(av_image_fill_linesizes) X(av_image_check_size)                         \
  X(av_samples_get_buffer_size) X(av_samples_alloc) X(av_samples_set_silence) X(av_samples_copy)   \
  X(av_get_bytes_per_sample) X(av_get_sample_fmt_name) X(av_get_sample_fmt)                        \
  X(av_sample_fmt_is_planar) X(av_get_packed_sample_fmt) X(av_get_planar_sample_fmt)               \
  X(av_get_pix_fmt) X(av_get_pix_fmt_name) X(av_pix_fmt_desc_get) X(av_get_bits_per_pixel)         \
  X(av_get_padded_bits_per_pixel) X(av_pix_fmt_count_planes) X(av_rescale_q) X(av_rescale_q_rnd)   \
  X(av_rescale) X(av_rescale_rnd) X(av_compare_ts) X(av_gettime) X(av_gettime_relative)            \
  X(av_usleep) X(av_opt_set) X(av_opt_set_int) X(av_opt_set_double) X(av_opt_set_q)                \
  X(av_opt_set_bin) X(av_opt_set_sample_fmt) X(av_opt_set_pixel_fmt) X(av_opt_set_chlayout)        \
  X(av_opt_set_dict) X(av_opt_set_dict2) X(av_opt_find) X(av_opt_find2) X(av_opt_next)             \
  X(av_opt_get) X(av_opt_get_int) X(av_opt_set_defaults) X(av_opt_free)                            \
  X(av_opt_child_class_iterate) X(av_channel_layout_default) X(av_channel_layout_uninit)           \
  X(av_channel_layout_copy) X(av_channel_layout_describe) X(av_channel_layout_compare)             \
  X(av_channel_layout_from_mask) X(av_channel_layout_from_string) X(av_channel_layout_check)       \
  X(av_audio_fifo_alloc) X(av_audio_fifo_free) X(av_audio_fifo_write) X(av_audio_fifo_read)        \
  X(av_audio_fifo_size) X(av_audio_fifo_drain) X(av_audio_fifo_reset) X(av_audio_fifo_realloc)     \
  X(av_parse_video_size) X(av_parse_video_rate) X(av_parse_time) X(av_parse_ratio) X(av_d2q)       \
  X(av_reduce) X(av_find_nearest_q_idx) X(av_get_media_type_string) X(av_get_picture_type_char)    \
  X(av_log_format_line2) X(av_mul_q) X(av_div_q) X(av_add_q) X(av_sub_q) X(av_get_time_base_q)     \
  X(av_cpu_count) X(av_buffer_unref) X(av_buffer_ref) X(av_buffer_alloc) X(av_buffer_pool_init)    \
  X(av_buffer_pool_get) X(av_buffer_pool_uninit) X(av_get_pix_fmt_string)                          \
  X(av_get_sample_fmt_string) X(av_display_rotation_get) X(av_display_rotation_set)

#define QARVO_SWSCALE_FUNCTIONS(X)                                                                 \
  X(swscale_version) X(sws_getContext) X(sws_getCachedContext) X(sws_freeContext) X(sws_scale)     \
  X(sws_scale_frame) X(sws_isSupportedInput) X(sws_isSupportedOutput) X(sws_get_class)             \
  X(sws_setColorspaceDetails) X(sws_getColorspaceDetails) X(sws_getCoefficients)                   \
  X(sws_alloc_context) X(sws_init_context)

#define QARVO_SWRESAMPLE_FUNCTIONS(X)                                                              \
  X(swresample_version) X(swr_alloc) X(swr_alloc_set_opts2) X(swr_init) X(swr_is_initialized)      \
  X(swr_free) X(swr_close) X(swr_convert) X(swr_convert_frame) X(swr_config_frame)                 \
  X(swr_set_compensation) X(swr_get_delay) X(swr_get_out_samples) X(swr_next_pts)                  \
  X(swr_inject_silence) X(swr_drop_output) X(swr_get_class) X(swr_set_channel_mapping)

#define QARVO_SDL_FUNCTIONS(X)                                                                     \
  X(SDL_Init) X(SDL_InitSubSystem) X(SDL_QuitSubSystem) X(SDL_Quit) X(SDL_WasInit) X(SDL_GetError) \
  X(SDL_GetVersion) X(SDL_SetHint) X(SDL_OpenAudioDevice) X(SDL_CloseAudioDevice)                  \
  X(SDL_PauseAudioDevice) X(SDL_LockAudioDevice) X(SDL_UnlockAudioDevice)                          \
  X(SDL_GetAudioDeviceStatus) X(SDL_MixAudioFormat) X(SDL_GetCurrentAudioDriver) X(SDL_AudioInit)  \
  X(SDL_AudioQuit) X(SDL_GetNumAudioDrivers) X(SDL_GetAudioDriver) X(SDL_GetCurrentVideoDriver)    \
  X(SDL_VideoInit) X(SDL_VideoQuit) X(SDL_GetNumVideoDrivers) X(SDL_GetVideoDriver)                \
  X(SDL_CreateWindow) X(SDL_DestroyWindow) X(SDL_SetWindowTitle) X(SDL_SetWindowSize)              \
  X(SDL_GetWindowSize) X(SDL_ShowWindow) X(SDL_CreateRenderer) X(SDL_DestroyRenderer)              \
  X(SDL_CreateTexture) X(SDL_DestroyTexture) X(SDL_UpdateYUVTexture) X(SDL_RenderClear)            \
  X(SDL_RenderCopy) X(SDL_RenderPresent) X(SDL_SetRenderDrawColor) X(SDL_RenderFillRect)           \
  X(SDL_PushEvent) X(SDL_PollEvent) X(SDL_WaitEvent) X(SDL_WaitEventTimeout) X(SDL_PeepEvents)     \
  X(SDL_PumpEvents) X(SDL_FlushEvent) X(SDL_FlushEvents) X(SDL_RegisterEvents) X(SDL_AddTimer)     \
  X(SDL_RemoveTimer) X(SDL_Delay) X(SDL_GetTicks) X(SDL_GetDesktopDisplayMode)                     \
  X(SDL_GetNumVideoDisplays) X(SDL_GetDisplayBounds) X(SDL_ClearQueuedAudio) X(SDL_TLSCleanup)

// clang-format on

// Exported variables bound by name (none of the current majors needs one; the mechanism stays).
#define QARVO_NO_VARIABLES(X)
