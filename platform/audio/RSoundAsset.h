// RSoundAsset: the decoded source of one loaded sound, the base of RWaveFile, ROggVorbisFile and RPCSpeaker. It
// knows the sample format and where its file lies, owns the platform buffer that holds the sound's first or whole
// data, fills that buffer once at load time and makes the playable object. The playable object owns the asset;
// the asset holds the reference count that every sharer of the sound shares.
//
// Load sequence: Load(name); SetStreaming(stream), which fixes the buffer description; SetBuffer(a buffer
// created from GetBufferDesc()); LockAll; Fill with the two regions; Close; CreateSound.
#pragma once

#include "core/types/RString.h"
#include "platform/audio/RFMLAudioBuffer.h"

#include <cstdint>

class RAudioInterface;

class RSoundAsset {
public:
    RSoundAsset() = default;
    // Destroys the platform buffer.
    virtual ~RSoundAsset();

    // With a name, asks the stream manager for the size, offset and path of the file and stores them; false when
    // no source holds the name. Without a name there is nothing to find (true).
    virtual bool Load(const char* name);
    // Stores the flag; the buffer description's size becomes GetBufferSize and its format this asset's format.
    virtual void SetStreaming(bool streaming);
    // Locks the whole platform buffer from offset 0. The outputs are null and 0 when nothing is handed out.
    virtual bool LockAll(void** region1, uint32_t* bytes1, void** region2, uint32_t* bytes2);
    // Writes the first contents into the locked regions (base: nothing).
    virtual bool Fill(void* region1, uint32_t bytes1, void* region2, uint32_t bytes2) { return true; }
    // Unlocks the buffer and puts both cursors at 0.
    virtual void Close();
    // The playable object for this asset (base: null). The caller gives it the asset.
    virtual RAudioInterface* CreateSound() { return nullptr; }
    // GetStreamBufferSize when streaming, else GetDataSize.
    virtual uint32_t GetBufferSize();
    // Whole frames for the audio manager's "StreamLength" seconds of this format.
    virtual uint32_t GetStreamBufferSize();
    // Bytes of the whole sound data (base: 0).
    virtual uint32_t GetDataSize() { return 0; }

    const RAudioFormat& GetFormat() const { return m_format; }
    const RFMLAudioBufferDesc& GetBufferDesc() const { return m_bufferDesc; }
    RFMLAudioBuffer* GetBuffer() const { return m_buffer; }
    // Takes ownership of the buffer, destroying any earlier one.
    void SetBuffer(RFMLAudioBuffer* buffer);
    bool IsStreaming() const { return m_streaming; }

    // As the stream manager reported them: the entry's size, its offset in the file holding it (0 for a loose
    // file) and that file's path. Size and offset are RPackFile::kNoSize until a file is found.
    uint32_t GetFileSize() const { return m_fileSize; }
    uint32_t GetFileOffset() const { return m_fileOffset; }
    const RString& GetFilePath() const { return m_filePath; }

    void AddRef() { ++m_refCount; }
    // The new count; never below 0.
    uint32_t Release() { return m_refCount ? --m_refCount : 0; }
    uint32_t GetRefCount() const { return m_refCount; }

protected:
    RAudioFormat m_format;

private:
    RSoundAsset(const RSoundAsset&) = delete;
    RSoundAsset& operator=(const RSoundAsset&) = delete;

    RFMLAudioBufferDesc m_bufferDesc;
    RFMLAudioBuffer* m_buffer = nullptr;
    uint32_t m_fileSize = 0xFFFFFFFFu;
    uint32_t m_fileOffset = 0xFFFFFFFFu;
    RString m_filePath;
    bool m_streaming = false;
    uint32_t m_refCount = 0;
};
