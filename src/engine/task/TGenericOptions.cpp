#include "engine/task/TGenericOptions.h"

#include "media/EngineLogger.h"
#include "media/ErrorText.h"
#include "media/LibraryLoader.h"
#include "media/NameMapping.h"
#include "engine/task/OptionText.h"

namespace qarvo {

namespace {

constexpr AVMediaType kCodecKinds[5] = {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO, AVMEDIA_TYPE_DATA,
                                        AVMEDIA_TYPE_SUBTITLE, AVMEDIA_TYPE_ATTACHMENT};

// Options of the codec option context of a kind must be marked for that kind; the data and
// attachment contexts take any codec option.
int KindFlags(int index) {
  switch (kCodecKinds[index]) {
    case AVMEDIA_TYPE_VIDEO:
      return AV_OPT_FLAG_VIDEO_PARAM;
    case AVMEDIA_TYPE_AUDIO:
      return AV_OPT_FLAG_AUDIO_PARAM;
    case AVMEDIA_TYPE_SUBTITLE:
      return AV_OPT_FLAG_SUBTITLE_PARAM;
    default:
      return 0;
  }
}

bool Found(void* obj, const std::string& name, int flags) {
  return api().av_opt_find(obj, name.c_str(), nullptr, flags, 0) != nullptr;
}

void LogInvalidValue(const std::string& name, const std::string& value) {
  api().av_log(nullptr, AV_LOG_ERROR, "Invalid value \"%s\" for option \"%s\"\n", value.c_str(),
               name.c_str());
}

// Current text of an option; empty optional when it cannot be read.
bool ReadOption(void* obj, const std::string& name, std::string& text) {
  uint8_t* buffer = nullptr;
  if (api().av_opt_get(obj, name.c_str(), 0, &buffer) < 0 || !buffer) return false;
  TAvMemoryPtr<uint8_t> owner(buffer);
  text = reinterpret_cast<const char*>(buffer);
  return true;
}

}  // namespace

TGenericOptions::TGenericOptions() { Create(); }

void TGenericOptions::Release() {
  if (!names_.empty() || !unclaimed_.empty()) return;  // something was set: keep it
  for (auto& codec : codecs_) codec.reset();
  format_.reset();
  scaler_.reset();
  owners_.clear();
  created_ = false;
}

void TGenericOptions::Clear() {
  names_.clear();
  setNames_.clear();
  privateNames_.clear();
  unclaimed_.clear();
  Release();
}

void TGenericOptions::Create() {
  if (created_) return;
  TLibraryLoader& loader = TLibraryLoader::Instance();
  if (!loader.IsLoaded(liAVCodec) || !loader.IsLoaded(liAVFormat) || !loader.IsLoaded(liAVUtil) ||
      !loader.IsLoaded(liSWScale))
    return;
  for (int i = 0; i < 5; ++i) {
    codecs_[i].reset(api().avcodec_alloc_context3(nullptr));
    if (!codecs_[i]) throw std::bad_alloc();
    codecs_[i]->codec_type = kCodecKinds[i];
  }
  format_.reset(api().avformat_alloc_context());
  scaler_.reset(api().sws_alloc_context());
  if (!format_ || !scaler_) throw std::bad_alloc();
  CheckCall(api().av_opt_set_int(scaler_.get(), "sws_flags", SWS_BICUBIC, 0),
            "av_opt_set_int(sws_flags)");
  created_ = true;
}

TGenericOptions::~TGenericOptions() = default;

AVCodecContext* TGenericOptions::CodecContext(AVMediaType kind) const {
  for (int i = 0; i < 5; ++i)
    if (kCodecKinds[i] == kind) return codecs_[i].get();
  return nullptr;
}

int64_t TGenericOptions::CodecInt(AVMediaType kind, const char* name) const {
  AVCodecContext* ctx = CodecContext(kind);
  int64_t value = 0;
  if (!ctx || api().av_opt_get_int(ctx, name, 0, &value) < 0) return 0;
  return value;
}

void* TGenericOptions::Source(int source) const {
  if (source < 5) return codecs_[source].get();
  return source == sFormat ? static_cast<void*>(format_.get()) : static_cast<void*>(scaler_.get());
}

bool TGenericOptions::Set(const std::string& rawName, const std::string& rawValue,
                          const TPrivateTargets& targets) {
  const std::string name = TrimOption(rawName);
  const std::string value = TrimOption(rawValue);
  if (name.empty() || value.empty() || !created_) return false;
  bool result = true;
  if (auto settings = TranslateLegacyOption(name, value)) {
    // Settings that took their value stay set when a later one of the same line fails.
    for (const auto& setting : *settings)
      result = SetOne(setting.Name, setting.Value, targets) && result;
  } else {
    result = SetOne(name, value, targets);
  }
  UpdateDebugLevel();
  return result;
}

bool TGenericOptions::SetOne(const std::string& name, const std::string& value,
                             const TPrivateTargets& targets) {
  unsigned sources = 0;
  int state = SetCommon(name, value, sources);
  std::string remembered = name;
  if (state == 0 && name.size() > 1 && (name[0] == 'a' || name[0] == 'v' || name[0] == 's')) {
    // "vb" is the video option "b", "ab" the audio one.
    const int index = name[0] == 'a' ? sAudio : name[0] == 'v' ? sVideo : sSubtitle;
    const std::string rest = name.substr(1);
    if (Found(codecs_[index].get(), rest, KindFlags(index))) {
      state = api().av_opt_set(codecs_[index].get(), rest.c_str(), value.c_str(), 0) < 0 ? -1 : 1;
      sources = 1u << index;
      remembered = rest;
    }
  }
  if (state == 0) state = SetPrivate(name, value, targets);
  if (state == 0) unclaimed_.push_back({name, value});
  if (state < 0) LogInvalidValue(name, value);
  if (state <= 0) return false;
  names_.push_back(remembered);
  if (sources) setNames_.push_back({remembered, value, sources});
  return true;
}

int TGenericOptions::SetCommon(const std::string& name, const std::string& value,
                               unsigned& sources) {
  bool found = false;
  for (int i = 0; i < 5; ++i) {
    if (!Found(codecs_[i].get(), name, KindFlags(i))) continue;
    found = true;
    if (api().av_opt_set(codecs_[i].get(), name.c_str(), value.c_str(), 0) < 0) return -1;
    sources |= 1u << i;
  }
  if (found) return 1;
  for (int source : {sFormat, sScaler}) {
    if (!Found(Source(source), name, 0)) continue;
    if (api().av_opt_set(Source(source), name.c_str(), value.c_str(), 0) < 0) return -1;
    sources = 1u << source;
    return 1;
  }
  return 0;
}

TGenericOptions::TPrivateOwner* TGenericOptions::Owner(bool muxer, const std::string& name) {
  if (name.empty()) return nullptr;
  for (auto& owner : owners_)
    if (owner.Muxer == muxer && owner.Name == name) return &owner;
  TPrivateOwner owner;
  owner.Muxer = muxer;
  owner.Name = name;
  if (muxer) {
    const AVOutputFormat* format = api().av_guess_format(name.c_str(), nullptr, nullptr);
    if (!format || !format->priv_class) return nullptr;
    AVFormatContext* ctx = nullptr;
    if (api().avformat_alloc_output_context2(&ctx, format, nullptr, nullptr) < 0 || !ctx)
      return nullptr;
    owner.Format.reset(ctx);
  } else {
    const AVCodec* codec = api().avcodec_find_encoder_by_name(TranslateEncoderName(name).c_str());
    if (!codec || !codec->priv_class) return nullptr;
    owner.Name = codec->name;
    for (auto& existing : owners_)
      if (!existing.Muxer && existing.Name == owner.Name) return &existing;
    owner.Codec.reset(api().avcodec_alloc_context3(codec));
    if (!owner.Codec || !owner.Codec->priv_data) return nullptr;
  }
  owners_.push_back(std::move(owner));
  return &owners_.back();
}

int TGenericOptions::SetPrivate(const std::string& name, const std::string& value,
                                const TPrivateTargets& targets) {
  const std::pair<bool, const std::string*> candidates[] = {{false, &targets.VideoEncoder},
                                                            {false, &targets.AudioEncoder},
                                                            {false, &targets.SubtitleEncoder},
                                                            {true, &targets.OutputFormat}};
  for (const auto& [muxer, ownerName] : candidates) {
    TPrivateOwner* owner = Owner(muxer, *ownerName);
    if (!owner) continue;
    void* priv = muxer ? owner->Format->priv_data : owner->Codec->priv_data;
    if (!priv || !Found(priv, name, 0)) continue;
    if (api().av_opt_set(priv, name.c_str(), value.c_str(), 0) < 0) return -1;
    privateNames_.push_back({static_cast<size_t>(owner - owners_.data()), name});
    return 1;
  }
  return 0;
}

void TGenericOptions::UpdateDebugLevel() const {
  int64_t debug = 0, formatDebug = 0;
  api().av_opt_get_int(codecs_[sVideo].get(), "debug", 0, &debug);
  api().av_opt_get_int(format_.get(), "fdebug", 0, &formatDebug);
  if (debug || formatDebug) TEngineLogger::GetLogger().SetLogLevel(TLogLevel::llDebug);
}

void TGenericOptions::ApplyTo(void* obj, int flags) const {
  if (!obj || !created_) return;
  const AVClass* cls = *static_cast<const AVClass* const*>(obj);
  int source = -1;
  if (cls == api().avcodec_get_class()) {
    const int kind = static_cast<AVCodecContext*>(obj)->codec_type;
    if (kind >= 0 && kind < 5) source = kind;
  } else if (cls == api().avformat_get_class()) {
    source = sFormat;
  } else if (cls == api().sws_get_class()) {
    source = sScaler;
  }
  if (source < 0) return;
  ApplyPrivate(obj, source, flags);
  void* from = Source(source);
  for (const auto& entry : setNames_) {
    if (!(entry.Sources & (1u << source)) || !Found(from, entry.Name, flags)) continue;
    if (api().av_opt_set(obj, entry.Name.c_str(), entry.Value.c_str(), 0) < 0)
      LogInvalidValue(entry.Name, entry.Value);
  }
}

void TGenericOptions::ApplyPrivate(void* obj, int source, int flags) const {
  const AVCodec* codec = nullptr;
  const AVOutputFormat* format = nullptr;
  void* priv = nullptr;
  if (source < 5) {
    auto* ctx = static_cast<AVCodecContext*>(obj);
    if (ctx->codec && api().av_codec_is_encoder(ctx->codec)) codec = ctx->codec;
    priv = ctx->priv_data;
  } else if (source == sFormat) {
    auto* ctx = static_cast<AVFormatContext*>(obj);
    format = ctx->oformat;
    priv = ctx->priv_data;
  }
  if (!priv || (!codec && !format)) return;
  const TDictionary options = codec ? EncoderOptions(codec) : MuxerOptions(format);
  const AVDictionaryEntry* entry = nullptr;
  while ((entry = api().av_dict_get(options.Raw(), "", entry, AV_DICT_IGNORE_SUFFIX))) {
    if (!Found(priv, entry->key,
               flags & ~(AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_AUDIO_PARAM |
                         AV_OPT_FLAG_SUBTITLE_PARAM)))
      continue;
    if (api().av_opt_set(priv, entry->key, entry->value, 0) < 0)
      LogInvalidValue(entry->key, entry->value);
  }
}

void TGenericOptions::AddUnclaimed(const AVClass* const* privateClass, TDictionary& options) const {
  if (!*privateClass) return;
  for (const auto& entry : unclaimed_)
    if (api().av_opt_find(const_cast<const AVClass**>(privateClass), entry.Name.c_str(), nullptr, 0,
                          AV_OPT_SEARCH_FAKE_OBJ))
      options.Set(entry.Name.c_str(), entry.Value.c_str());
}

// Names set while their owner was the chosen one come after the unclaimed ones: they were
// checked on that owner and replace an earlier unclaimed value.
TDictionary TGenericOptions::EncoderOptions(const AVCodec* codec) const {
  TDictionary options;
  if (!codec) return options;
  AddUnclaimed(&codec->priv_class, options);
  for (const auto& entry : privateNames_) {
    const TPrivateOwner& owner = owners_[entry.Owner];
    if (owner.Muxer || owner.Name != codec->name) continue;
    std::string text;
    if (ReadOption(owner.Codec->priv_data, entry.Name, text))
      options.Set(entry.Name.c_str(), text.c_str());
  }
  return options;
}

TDictionary TGenericOptions::MuxerOptions(const AVOutputFormat* format) const {
  TDictionary options;
  if (!format) return options;
  AddUnclaimed(&format->priv_class, options);
  for (const auto& entry : privateNames_) {
    const TPrivateOwner& owner = owners_[entry.Owner];
    if (!owner.Muxer || owner.Format->oformat != format) continue;
    std::string text;
    if (ReadOption(owner.Format->priv_data, entry.Name, text))
      options.Set(entry.Name.c_str(), text.c_str());
  }
  return options;
}

}  // namespace qarvo
